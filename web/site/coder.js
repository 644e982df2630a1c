// "УЗО": the coder window. Every control goes to the engine's model of the window, which answers
// what the window shows after it; the page only draws that. "Ввод" takes nothing while n, k or Cm
// is not an integer; the settings are taken over when the window closes with "Ввод".
'use strict';

const kCyclic = 0;
const kSelection = 2;
const coderFields = { genPoly: 'Edit1', codeN: 'Edit2', codeK: 'Edit3', cm: 'Edit4',
                      number: 'Edit5', rate: 'Edit6', innerList: 'Edit7' };
let coderLayout = null; // the radio buttons of each panel and the polynomial list, read once

function listRows(box, lines, onClick) {
  box.replaceChildren();
  lines.forEach((line, i) => {
    const row = document.createElement('div');
    row.textContent = line;
    if (onClick) row.addEventListener('click', () => onClick(i + 1));
    box.append(row);
  });
}

// A hidden control keeps its place, so that the window does not reflow.
function keepPlace(element, visible) {
  element.classList.toggle('hidden-keep', !visible);
}

function showCoder(v) {
  $('CyclicPanel').hidden = v.panel !== kCyclic;
  $('ConvolutionalPanel').hidden = v.panel !== 1;
  $('SelectionPanel').hidden = v.panel !== kSelection;
  for (const r of document.querySelectorAll('#coderDialog .types input'))
    r.checked = Number(r.value) === v.checked;
  for (const [name, id] of Object.entries(coderFields)) {
    const f = v[name];
    // Only a changed text is written: the field being typed into keeps its cursor.
    if ($(id).value !== f.text) $(id).value = f.text;
    $(id).disabled = !f.enabled;
    keepPlace($(id), f.visible);
  }
  keepPlace($('numberLabel'), v.number.visible);
  keepPlace($('innerLabel'), v.innerList.visible);
  $('Label4').textContent = v.cmLabel;
  $('Edit13').value = v.total;
  for (const [spin, s] of [['SpinButton1', v.numberSpin], ['SpinButton2', v.rateSpin]]) {
    keepPlace($(spin), s.visible);
    for (const b of $(spin).querySelectorAll('button')) b.disabled = !s.enabled;
  }
  listRows($('ListBox2'), v.selected);
}

// One control of the window, then what it shows; messages a control gives are shown first.
async function coderAct(control, arg = 0) {
  const answer = await engine.call('coderAct', control, arg);
  await showMessages(answer);
  showCoder(answer.result);
  return answer.result;
}

function buildCoderWindow(layout) {
  for (const [panel, buttons] of [['CyclicPanel', layout.cyclic], ['ConvolutionalPanel', layout.convolutional]]) {
    const box = $(panel).querySelector('.radios');
    for (const b of buttons) {
      const label = document.createElement('label');
      const radio = document.createElement('input');
      radio.type = 'radio';
      radio.value = String(b.type);
      radio.id = `codeType${b.type}`;
      // The engine decides what is checked, across both panels.
      radio.addEventListener('click', (event) => {
        event.preventDefault();
        coderAct('type', b.type);
      });
      label.append(radio, b.caption);
      box.append(label);
    }
  }
  listRows($('ListBox1'), layout.list, (row) => coderAct('polynomial', row));
  const clicks = { coderBitBtn3: 'otherCyclic', coderBitBtn4: 'otherConvolutional', Button1: 'reset',
                   Button2: 'closeSelection', SpinButton1Up: 'numberUp', SpinButton1Down: 'numberDown',
                   SpinButton2Up: 'rateUp', SpinButton2Down: 'rateDown' };
  for (const [id, control] of Object.entries(clicks))
    $(id).addEventListener('click', () => coderAct(control));
  for (const [name, id] of Object.entries(coderFields))
    if (name !== 'rate') $(id).addEventListener('input', () => coderAct(name, $(id).value));
}

// On opening, the panel that holds the checked type's button is shown.
async function showPanelOfChecked(v) {
  if (v.checked < 0) return v;
  const inCyclic = coderLayout.cyclic.find((b) => b.type === v.checked);
  if (inCyclic) return v.panel !== kCyclic ? coderAct('otherConvolutional') : v;
  if (v.panel === kCyclic) return coderAct('otherCyclic');
  const button = coderLayout.convolutional.find((b) => b.type === v.checked);
  return v.panel === kSelection && !button.polynomialSet ? coderAct('closeSelection') : v;
}

// n, k and Cm must be integers: the message of the first that is not, the window kept open.
async function coderEntriesValid() {
  for (const id of ['Edit2', 'Edit3', 'Edit4']) $(id).classList.remove('invalid');
  for (const id of ['Edit2', 'Edit3', 'Edit4']) {
    const why = (await engine.call('checkInteger', $(id).value)).result;
    if (!why) continue;
    $(id).classList.add('invalid');
    $(id).focus();
    await showMessage('error', why);
    return false;
  }
  return true;
}

async function coderStep() {
  if (!coderLayout) {
    coderLayout = (await engine.call('coderLayout')).result;
    buildCoderWindow(coderLayout);
  }
  const opened = await engine.call('coderOpen');
  await showMessages(opened);
  showCoder(await showPanelOfChecked(opened.result));
  const accepted = await openDialog($('coderDialog'), [], coderEntriesValid);
  const closed = await engineStep('coderClose', accepted);
  if (closed.status === 'taken') enabled[8] = true;
  drawStages();
}
