// The menu "Файл": "Открыть" of an initial-data file chosen on the user's machine, "Сохранить..."
// of the initial data and of the results as downloads, and the test report of the last run shown
// on the page. The engine reads and writes the files (worker.js); the page only hands over the
// bytes and shows the messages.
'use strict';

const fileCommands = ['Open1', 'Save1_1', 'Save1_2'];

// Usable once the stage window is open, as in the workstation.
function setFileCommandsEnabled(on) {
  for (const id of fileCommands) $(id).disabled = !on;
}
setFileCommandsEnabled(false);

function closeMenus() {
  if (document.activeElement) document.activeElement.blur();
}

// --- "Открыть" ---
$('Open1').addEventListener('click', () => {
  closeMenus();
  $('openFile').value = '';
  $('openFile').click();
});

$('openFile').addEventListener('change', async () => {
  const chosen = $('openFile').files[0];
  if (!chosen) return;
  await openData(chosen.name, await chosen.arrayBuffer());
});

// The bytes read by the engine's "Открыть"; accepted, "Стат 1" is enabled and "Стат2" disabled.
async function openData(name, bytes) {
  const answer = await engine.file({ op: 'open', name, bytes });
  await showMessages(answer);
  if (answer.result.status !== 'taken') return false;
  enabled[5] = true;
  enabled[8] = false;
  drawStages();
  return true;
}

// --- "Сохранить..." ---
const saveKinds = {
  data: { title: 'Сохранить исходные данные', name: 'var1' },
  results: { title: 'Сохранить результаты', name: 'rezult1' },
};

function download(name, bytes) {
  const url = URL.createObjectURL(new Blob([bytes], { type: 'application/octet-stream' }));
  const a = document.createElement('a');
  a.href = url;
  a.download = name;
  document.body.append(a);
  a.click();
  a.remove();
  setTimeout(() => URL.revokeObjectURL(url), 10000);
}

// Asks for the name (the workstation's default first), then the engine writes the file under the
// name its save command gives and the page offers it as a download.
async function saveFile(what) {
  closeMenus();
  const kind = saveKinds[what];
  $('saveTitle').textContent = kind.title;
  $('saveName').value = kind.name;
  if (!(await openDialog($('saveDialog'), [], () => $('saveName').value.trim() !== ''))) return;
  const answer = await engine.file({ op: 'save', what, name: $('saveName').value.trim() });
  await showMessages(answer);
  if (answer.result.status === 'taken') download(answer.result.file, answer.result.bytes);
}
$('Save1_1').addEventListener('click', () => saveFile('data'));
$('Save1_2').addEventListener('click', () => saveFile('results'));

// --- The test report of the last run, as the results file holds it ---
function showReport(bytes) {
  $('reportText').textContent = new TextDecoder('windows-1251').decode(bytes);
  $('reportWindow').showModal();
}
$('resultsReport').addEventListener('click', () => {
  if (window.lastRecord && window.lastRecord.report) showReport(window.lastRecord.report);
});
$('reportSave').addEventListener('click', () => saveFile('results'));
$('reportExit').addEventListener('click', () => $('reportWindow').close());
