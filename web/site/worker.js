// The engine runs here, away from the page: the page asks for the user's steps one message at a
// time and gets each answer with the messages the step gave. Before a test starts, the worker
// hands the page an image of the engine's memory: "Прервать" ends this worker at once, and the
// next one starts from that image, which is the model as it stood before the test.
'use strict';
importScripts('spi_web.js');

let engine = null;
let queue = Promise.resolve();

onmessage = (event) => {
  queue = queue.then(() => handle(event.data));
};

function answer(id, result) {
  postMessage({ id, result, state: engine.state(), messages: engine.takeMessages() });
}

async function handle(msg) {
  if (msg.op === 'init') {
    engine = await SpiWeb();
    if (msg.image) {
      engine.reserve(msg.image.byteLength);
      engine.HEAPU8.set(new Uint8Array(msg.image));
    }
    answer(msg.id, null);
  } else if (msg.op === 'call') {
    answer(msg.id, engine[msg.fn](...msg.args));
  } else if (msg.op === 'test') {
    runTest(msg);
  } else if (msg.op === 'open') {
    answer(msg.id, openFile(msg.name, msg.bytes));
  } else if (msg.op === 'save') {
    answer(msg.id, saveFile(msg.what, msg.name));
  }
}

// "Открыть": the chosen file's bytes under its own name in the module's file system, read there
// by the engine's "Открыть", then removed.
function openFile(name, bytes) {
  try {
    engine.FS.writeFile(name, new Uint8Array(bytes));
  } catch (e) {
    return { status: 'refused', message: `${name}: ${e}` };
  }
  try {
    return engine.openData(name);
  } finally {
    engine.FS.unlink(name);
  }
}

// "Сохранить": the engine writes the file ("data": the initial data, "results": the test report)
// under the name its save command gives; its bytes go to the page for the download.
function saveFile(what, name) {
  const result = what === 'data' ? engine.saveData(name) : engine.saveResults(name);
  if (result.status === 'taken') {
    result.bytes = engine.FS.readFile(result.file);
    engine.FS.unlink(result.file);
  }
  return result;
}

// "Ввод" of a test dialog, then the test with its progress (at most one report each 40 ms).
function runTest(msg) {
  const image = engine.HEAPU8.slice().buffer;
  postMessage({ image }, [image]);
  const accepted = msg.stat2 ? engine.acceptStat2(msg.count) : engine.acceptStat1(msg.length, msg.count);
  if (accepted.status !== 'taken') {
    answer(msg.id, { started: false });
    return;
  }
  const state = engine.state();
  // Without a code or without words there is nothing to run, and nothing is said.
  if (msg.stat2 && !(state.codeN >= 1 && state.wordCount >= 1)) {
    answer(msg.id, { started: false });
    return;
  }
  postMessage({ started: true });
  let shown = -Infinity;
  const record = engine.run(msg.stat2, msg.seed, (position, words) => {
    const now = performance.now();
    if (now - shown < 40)
      return;
    shown = now;
    postMessage({ progress: { position, words } });
  });
  record.started = true;
  if (record.status === 'taken')
    record.report = engine.reportBytes(true);
  answer(msg.id, record);
}
