// The page: the structure menu, the stage window, the test dialogs, the progress window and the
// results window. The model and every step are the engine's, in worker.js; the page only shows
// what the steps answer and keeps the stage window's own state (which tests are enabled), as the
// workstation's stage window does.
'use strict';

// --- The engine in its worker ---
class Engine {
  constructor() {
    this.pending = new Map();
    this.nextId = 1;
    this.image = null; // the memory image the last test started from
    this.onProgress = null;
    this.onStarted = null;
    this.start(null);
  }

  start(image) {
    this.worker = new Worker('worker.js');
    this.worker.onmessage = (event) => this.received(event.data);
    this.worker.onerror = (event) => console.error(`worker: ${event.message}`);
    this.ready = this.send({ op: 'init', image }, image ? [image] : []);
  }

  received(msg) {
    if (msg.image) {
      this.image = msg.image;
    } else if (msg.progress) {
      if (this.onProgress) this.onProgress(msg.progress.position, msg.progress.words);
    } else if (msg.started) {
      if (this.onStarted) this.onStarted();
    } else {
      const done = this.pending.get(msg.id);
      this.pending.delete(msg.id);
      if (done) done(msg);
    }
  }

  send(msg, transfer = []) {
    const id = this.nextId++;
    return new Promise((resolve) => {
      this.pending.set(id, resolve);
      this.worker.postMessage({ ...msg, id }, transfer);
    });
  }

  async call(fn, ...args) {
    await this.ready;
    return this.send({ op: 'call', fn, args });
  }

  // "Открыть" (op 'open', the file's name and bytes) or "Сохранить" (op 'save').
  async file(msg) {
    await this.ready;
    return this.send(msg, msg.bytes ? [msg.bytes] : []);
  }

  async test(settings) {
    await this.ready;
    return this.send({ op: 'test', ...settings });
  }

  // "Прервать": the worker ends at once; its successor starts from the image taken before the
  // test, and the test's promise answers as a cancelled run.
  abort() {
    this.worker.terminate();
    const cancelled = [...this.pending.values()];
    this.pending.clear();
    const image = this.image;
    this.image = null;
    this.start(image);
    for (const done of cancelled) done({ result: { started: true, status: 'cancelled' }, messages: [] });
  }
}

const engine = new Engine();
const $ = (id) => document.getElementById(id);

// --- Messages, one box at a time, as the workstation's message boxes ---
const messageTitles = { warning: 'Предупреждение', error: 'Ошибка', information: 'Сообщение' };

function showMessage(kind, text) {
  return new Promise((resolve) => {
    $('messageTitle').textContent = messageTitles[kind];
    $('messageText').textContent = text;
    const box = $('messageBox');
    box.dataset.kind = kind;
    box.addEventListener('close', () => resolve(), { once: true });
    box.showModal();
  });
}
$('messageOk').addEventListener('click', () => $('messageBox').close());

// A question the workstation asks with "Да" and "Нет" ("Нет" first); true for "Да".
function askYesNo(text) {
  return new Promise((resolve) => {
    $('questionText').textContent = text;
    const box = $('questionBox');
    box.addEventListener('close', () => resolve(box.returnValue === 'yes'), { once: true });
    box.returnValue = 'no';
    box.showModal();
  });
}
$('questionYes').addEventListener('click', () => $('questionBox').close('yes'));
$('questionNo').addEventListener('click', () => $('questionBox').close('no'));

async function showMessages(answer) {
  for (const m of answer.messages || []) await showMessage(m.kind, m.text);
}

// --- The stage window ---
// Left to right as the chain is set up and tested; 9 and 10 take the places of 3 and 4 in "РУ".
// Each stage opens its dialog on a click (dialogs.js, coder.js); F1 on it opens its help topic.
const stages = [
  { number: 2, help: 14, caption: 'Сигнал', hint: 'Параметры сигнала', step: () => signalStep() },
  { number: 3, help: 18, caption: 'Непрерывный канал', hint: 'Параметры непрерывного канала', dk: true,
    step: () => contChannel1Step() },
  { number: 9, help: 17, caption: 'Непрерывный канал', hint: 'Параметры непрерывного канала', ru: true,
    step: () => contChannel2Step() },
  { number: 4, help: 13, caption: 'Дискретный канал', hint: 'Параметры дискретного канала', dk: true,
    step: () => discChannelStep() },
  { number: 10, help: 16, caption: 'Решающее устройство', hint: 'Решающее устройство', ru: true,
    step: () => decisionDeviceStep() },
  { number: 5, help: 12, caption: 'Стат 1', hint: 'Стат. испытания без УЗО', step: () => runTest(false) },
  { number: 6, help: 7, caption: 'Перемежитель', hint: 'Параметры перемежителя', step: () => interleaverStep() },
  { number: 7, help: 8, caption: 'УЗО', hint: 'Параметры УЗО', step: () => coderStep() },
  { number: 8, help: 11, caption: 'Стат2', hint: 'Стат. испытания с УЗО', step: () => runTest(true) },
];
const enabled = { 5: false, 8: false };
let structure = 1;

function drawStages() {
  $('stageTitle').textContent = structure === 2
    ? 'Модель СПИ с решающим устройством (РУ)'
    : 'Модель СПИ с дискретным каналом (ДК)';
  const row = $('stageRow');
  row.replaceChildren();
  const shown = stages.filter((s) => (structure === 2 ? !s.dk : !s.ru));
  shown.forEach((s, i) => {
    if (i > 0) {
      const arrow = document.createElement('span');
      arrow.className = 'arrow';
      arrow.textContent = '→';
      row.append(arrow);
    }
    const box = document.createElement(s.step ? 'button' : 'div');
    box.className = 'stage';
    box.id = `BitBtn${s.number}`;
    box.textContent = s.caption;
    box.title = s.hint;
    if (s.step) {
      box.type = 'button';
      box.disabled = s.number in enabled && !enabled[s.number];
      box.addEventListener('click', () => s.step(s.number));
    }
    row.append(box);
  });
}

async function chooseStructure(n) {
  document.activeElement.blur();
  await engine.call('chooseStructure', n);
  structure = n;
  setFileCommandsEnabled(true);
  $('stageWindow').hidden = false;
  drawStages();
}
for (const b of document.querySelectorAll('[data-structure]'))
  b.addEventListener('click', () => chooseStructure(Number(b.dataset.structure)));

// --- The test dialogs ---
const kStat1Length = 'Длина кодового слова    n:';
const kStat1Count = 'Количество слов   NB:';
const kStat2Count = 'Количество блоков  NB:';
const kSeed = 'Начальное число генератора:';

function simplified(text) {
  return text.trim().replace(/\s+/g, ' ');
}

// What the dialogs say of an entry they refuse on "Ввод", or '': an integer field (the seed may
// also be left empty: the clock) or a real-valued one, which is named by its symbol.
async function entryProblem(r) {
  const text = r.field.value;
  if (r.optional && text === '') return '';
  if (r.real) {
    if ((await engine.call('checkReal', text)).result) return '';
    const symbol = simplified(r.label).replace(/:$/, '').split(' ').pop();
    return `«${text}» — не число` + (symbol ? ` (поле ${symbol})` : '');
  }
  let why = (await engine.call('checkInteger', text)).result;
  if (!why && r.seed && !(/^\d+$/.test(text) && Number(text) <= 4294967295))
    why = `'${text}' - недопустимое целое число.`;
  return why ? `${simplified(r.label)} ${why}` : '';
}

// The entries checked as the dialogs check them on "Ввод": every refused field marked, the
// message of the first.
async function entriesValid(rules) {
  let first = null;
  for (const r of rules) r.field.classList.remove('invalid');
  for (const r of rules) {
    const why = await entryProblem(r);
    if (!why) continue;
    r.field.classList.add('invalid');
    if (!first) first = { r, why };
  }
  if (!first) return true;
  first.r.field.focus();
  await showMessage('error', first.why);
  return false;
}

// Shows a dialog until "Ввод" with entries `valid` takes (true) or "Отмена" or Esc (false).
function openDialog(dialog, rules, valid = () => entriesValid(rules)) {
  return new Promise((resolve) => {
    const form = dialog.querySelector('form');
    const enter = async (event) => {
      event.preventDefault();
      if (await valid()) finish(true);
    };
    const cancel = () => finish(false);
    const finish = (accepted) => {
      form.removeEventListener('submit', enter);
      dialog.removeEventListener('cancel', cancel);
      dialog.querySelector('[value=cancel]').removeEventListener('click', cancel);
      dialog.close();
      resolve(accepted);
    };
    form.addEventListener('submit', enter);
    dialog.addEventListener('cancel', cancel);
    dialog.querySelector('[value=cancel]').addEventListener('click', cancel);
    for (const r of rules) r.field.classList.remove('invalid');
    dialog.showModal();
  });
}

async function runTest(stat2) {
  const { state } = await engine.call('state');
  const dialog = stat2 ? $('stat2Dialog') : $('stat1Dialog');
  const count = stat2 ? $('stat2Count') : $('stat1Count');
  const seed = stat2 ? $('stat2Seed') : $('stat1Seed');
  count.value = String(state.wordCount);
  const rules = [{ field: count, label: stat2 ? kStat2Count : kStat1Count }];
  if (!stat2) {
    $('stat1Length').value = String(state.stat1WordLength);
    rules.unshift({ field: $('stat1Length'), label: kStat1Length });
  }
  rules.push({ field: seed, label: kSeed, optional: true, seed: true });
  if (!(await openDialog(dialog, rules))) return;
  // More draws than the generator's cycle: said before the run, which starts only on "Да".
  const { result: draws } = await engine.call('plannedDraws', stat2,
    stat2 ? '' : $('stat1Length').value, count.value);
  if (draws.exceeds && !(await askYesNo(draws.text))) return;
  const answer = await withProgress(() => engine.test({
    stat2,
    length: stat2 ? '' : $('stat1Length').value,
    count: count.value,
    seed: seed.value,
  }));
  await showMessages(answer);
  const record = answer.result;
  window.lastRecord = record;
  if (record.status === 'taken' && record.showResults) await showResults(record.table, record.chart);
}

// --- The progress window ---
async function withProgress(start) {
  const win = $('progressWindow');
  $('progressBar').value = 0;
  $('progressCounter').value = '';
  $('abort').disabled = false;
  engine.onStarted = () => win.showModal();
  engine.onProgress = (position, words) => {
    $('progressBar').value = Math.min(position, 100);
    $('progressCounter').value = String(words);
  };
  const answer = await start();
  engine.onStarted = null;
  engine.onProgress = null;
  if (win.open) win.close();
  return answer;
}
$('abort').addEventListener('click', () => {
  $('abort').disabled = true;
  engine.abort();
});
$('progressWindow').addEventListener('cancel', (event) => event.preventDefault());

// --- The results window ---
function cell(tag, text) {
  const c = document.createElement(tag);
  c.textContent = text;
  return c;
}

function showResults(v, chart) {
  const theory = v.theoryRows.length > 0;
  const headers = ['   Кратность', v.header1, v.header2];
  if (theory) headers.splice(2, 0, '     Теория');
  const head = document.createElement('tr');
  for (const h of headers) head.append(cell('th', h));
  $('resultsTable').tHead.replaceChildren(head);
  const body = $('resultsTable').tBodies[0];
  body.replaceChildren();
  v.rows.forEach((r, i) => {
    const cells = [...r];
    if (theory) cells.splice(2, 0, i < v.theoryRows.length ? v.theoryRows[i] : '');
    const tr = document.createElement('tr');
    for (const c of cells) tr.append(cell('td', c));
    body.append(tr);
  });
  const figures = $('figures');
  figures.replaceChildren();
  const rows = [
    ['Вероятность обнаружения Pобн :', v.detection],
    ['Объем испытаний :', v.volume],
    ['Эквивалентная вероятность ошибки Pвх :', v.pErrIn],
    ['Эквивалентная вероятность ошибки Pвых :', v.pErrOut],
    ['Пропускная способность:', v.capacity],
  ];
  for (const [caption, value] of rows) {
    figures.append(cell('span', caption));
    const val = cell('span', value);
    val.className = 'value';
    figures.append(val);
  }
  for (const line of v.theoryLines) {
    const l = cell('span', line);
    l.className = 'line';
    figures.append(l);
  }
  if (chart) drawPicture($('picture'), chart);
  return new Promise((resolve) => {
    $('resultsWindow').addEventListener('close', () => resolve(), { once: true });
    $('resultsWindow').showModal();
  });
}
$('resultsExit').addEventListener('click', () => $('resultsWindow').close());
