// "Помощь" and F1: the workstation's help pages (help/, with the topic numbers of help/topics.js,
// both taken from the workstation's sources at build time) in the window "Справка", with its
// "Назад", "Содержание" and "Закрыть". A page links to another with "topic:N" or
// "topic:TabCycle", the table of cyclic codes, whose rows the engine makes from its own table.
'use strict';

const helpHistory = [];
let helpShown = null;

// The key a link points to: a topic number that has a page, "TabCycle", or null.
function helpLinkKey(href) {
  const m = /^topic:(.*)$/.exec(href || '');
  if (!m) return null;
  if (m[1].toLowerCase() === 'tabcycle') return 'TabCycle';
  return /^\d+$/.test(m[1]) && Number(m[1]) in helpTopicFiles ? String(Number(m[1])) : null;
}

async function helpPageHtml(key) {
  const file = key === 'TabCycle' ? 'tabcycle.html' : helpTopicFiles[key] || helpTopicFiles[0];
  let page = await (await fetch(`help/${file}`)).text();
  if (key === 'TabCycle') page = page.replace('<!--rows-->', (await engine.call('tabCycleRows')).result);
  // The viewer's one look for every page.
  return page.replace('</head>', `<style>body { font-family: "DejaVu Sans", sans-serif; }${helpPageStyle}</style></head>`);
}

async function showHelpPage(key, remember = true) {
  if (remember && helpShown !== null && helpShown !== key) helpHistory.push(helpShown);
  if (helpHistory.length > 100) helpHistory.shift();
  helpShown = key;
  const frame = $('helpFrame');
  const loaded = new Promise((resolve) => frame.addEventListener('load', resolve, { once: true }));
  frame.srcdoc = await helpPageHtml(key);
  await loaded;
  frame.contentDocument.addEventListener('click', (event) => {
    const link = event.target.closest('a');
    if (!link) return;
    event.preventDefault();
    const next = helpLinkKey(link.getAttribute('href'));
    if (next !== null) showHelpPage(next);
  });
  $('helpBack').disabled = helpHistory.length === 0;
}

async function openHelpTopic(topic) {
  helpHistory.length = 0;
  helpShown = null;
  await showHelpPage(helpLinkKey(`topic:${topic}`) || '0');
  if (!$('helpWindow').open) $('helpWindow').showModal();
}

$('helpBack').addEventListener('click', () => {
  if (helpHistory.length) showHelpPage(helpHistory.pop(), false);
});
$('helpContents').addEventListener('click', () => showHelpPage('0'));
$('helpClose').addEventListener('click', () => $('helpWindow').close());
$('Help1').addEventListener('click', () => {
  document.activeElement.blur();
  openHelpTopic(0);
});

// F1: the topic of the window in front, as the workstation gives each window the topic of the
// stage that opens it; in the stage window the topic of the focused stage, else the window's.
const windowTopics = { signalDialog: 14, cont1Dialog: 18, discDialog: 13, stat1Dialog: 12, ilvDialog: 7,
  coderDialog: 8, stat2Dialog: 11, cont2Dialog: 17, ruDialog: 16, resultsWindow: 11 };

function contextTopic() {
  const open = [...document.querySelectorAll('dialog[open]')].filter((d) => d.id !== 'helpWindow');
  const front = open[open.length - 1];
  if (front) return windowTopics[front.id] ?? 2;
  const stage = stages.find((s) => document.activeElement && document.activeElement.id === `BitBtn${s.number}`);
  return stage ? stage.help : 2;
}

document.addEventListener('keydown', (event) => {
  if (event.key !== 'F1') return;
  event.preventDefault();
  if (!$('helpWindow').open) openHelpTopic(contextTopic());
});
