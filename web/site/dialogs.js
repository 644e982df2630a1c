// The parameter dialogs of the stage window: "Сигнал", "Непрерывный канал" of either structure,
// "Дискретный канал", "Решающее устройство" and "Перемежитель". Each is filled by the engine's
// model of the dialog, checked on "Ввод" as the workstation checks it (a refused entry keeps the
// dialog open), and its fields handed back to the engine; "Отмена" hands nothing back. The stage
// row's tests are enabled or disabled after each, as in the workstation.
'use strict';

// A dialog's fields: its element ids under a prefix, the engine's field names, their captions
// (the label beside each) and whether each is an integer.
function fieldsOf(prefix, names, integers = []) {
  return names.map((name) => {
    const field = $(`${prefix}-${name}`);
    return { name, field, label: field.previousElementSibling.textContent,
             real: !integers.includes(name) };
  });
}

function fill(rules, fields) {
  for (const r of rules) r.field.value = fields[r.name];
}

function read(rules, into = {}) {
  for (const r of rules) into[r.name] = r.field.value;
  return into;
}

// A group of radio buttons shows `item`; nothing is checked when it has no such button.
function showItem(dialog, group, item) {
  for (const b of dialog.querySelectorAll(`input[name=${group}]`)) b.checked = Number(b.value) === item;
}

// The checked button, or `shown` when none is.
function checkedItem(dialog, group, shown) {
  const b = dialog.querySelector(`input[name=${group}]:checked`);
  return b ? Number(b.value) : shown;
}

// Calls the engine and shows the messages it gave; answers the call's result.
async function engineStep(fn, ...args) {
  const answer = await engine.call(fn, ...args);
  await showMessages(answer);
  return answer.result;
}

async function signalStep() {
  const rules = [{ name: 'probOne', field: $('signalEdit1'), label: 'Вероятность  "1"      P1:', real: true }];
  fill(rules, await engineStep('fillSignal'));
  if (await openDialog($('signalDialog'), rules)) await engineStep('acceptSignal', read(rules));
}

// Both variants: the fields, then the modulator and demodulator groups.
async function contChannelStep(variant, names) {
  const dialog = $(`cont${variant}Dialog`);
  const rules = fieldsOf(`cont${variant}`, names, ['m']);
  const shown = await engineStep(`fillContChannel${variant}`);
  fill(rules, shown);
  showItem(dialog, 'modulator', shown.modulator);
  showItem(dialog, 'demodulator', shown.demodulator);
  if (!(await openDialog(dialog, rules))) return false;
  const fields = read(rules, {
    modulator: checkedItem(dialog, 'modulator', shown.modulator),
    demodulator: checkedItem(dialog, 'demodulator', shown.demodulator),
  });
  await engineStep(`acceptContChannel${variant}`, fields);
  return true;
}

// "ДК": a new continuous channel is to be calculated again before either test.
async function contChannel1Step() {
  if (await contChannelStep(1, ['hp', 'hc', 'h1', 'h2', 'm', 'q'])) {
    enabled[5] = false;
    enabled[8] = false;
    drawStages();
  }
}

async function contChannel2Step() {
  await contChannelStep(2, ['hp', 'hc', 'm', 'q']);
}

// Shown only when a channel is calculated; "Стат 1" is enabled after it, accepted or cancelled.
async function discChannelStep() {
  const opened = await engineStep('openDiscChannel');
  if (!opened.fields) return;
  const rules = fieldsOf('disc', ['p0', 'p1', 'e0', 'e1', 'e2', 'p01', 'p21', 'pp']);
  fill(rules, opened.fields);
  $('disc-pcpLabel').value = opened.fields.pcpLabel;
  if (await openDialog($('discDialog'), rules)) await engineStep('acceptDiscChannel', read(rules));
  await engineStep('finishDiscChannel');
  enabled[5] = true;
  drawStages();
}

// Shown when a channel is calculated; the rule the group shows is taken unless cancelled, also
// when the dialog is not shown. "Стат 1" is enabled after it in any case.
async function decisionDeviceStep() {
  const dialog = $('ruDialog');
  const opened = await engineStep('openDecisionDevice');
  let accepted = true;
  if (opened.fields) {
    showItem(dialog, 'criterion', opened.fields.criterion);
    $('ru-pcp').value = opened.fields.pcp;
    accepted = await openDialog(dialog, []);
  }
  if (accepted) await engineStep('acceptDecisionDevice', checkedItem(dialog, 'criterion', 0));
  await engineStep('finishDecisionDevice');
  enabled[5] = true;
  drawStages();
}

async function interleaverStep() {
  const rules = fieldsOf('ilv', ['a', 'c', 'l'], ['a', 'c', 'l']);
  fill(rules, await engineStep('fillInterleaver'));
  if (await openDialog($('ilvDialog'), rules)) await engineStep('acceptInterleaver', read(rules));
}
