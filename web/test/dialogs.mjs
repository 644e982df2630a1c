// The page's parameter dialogs driven as a student would, each group on a fresh page: entries the
// dialogs refuse, the stage row's enabling rules, a discrete channel with a changed field, the
// decision device's rule and a code of each family chosen in the coder window. Each run's JSON record must equal spi-sim's
// (SPI_SIM) for the same settings in every key but the time and the command line.
import { execFileSync } from 'node:child_process';
import { mkdtempSync, readFileSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';

// A bad entry in each kind of field: the dialog's message, the dialog kept open; "Отмена" then
// leaves the model as it was.
const refusals = [
  { stage: 4, dialog: '#discDialog', field: '#disc-e1', text: '0,1x', message: '«0,1x» — не число (поле E1)' },
  { stage: 6, dialog: '#ilvDialog', field: '#ilv-c', text: '2.5', message: "Параметр С: '2.5' - недопустимое целое число." },
  { stage: 2, dialog: '#signalDialog', field: '#signalEdit1', text: '1e999', message: '«1e999» — не число (поле P1)' },
  { stage: 3, dialog: '#cont1Dialog', field: '#cont1-m', text: '2,0', message: "Кратность разнесения m: '2,0' - недопустимое целое число." },
];

// Codes of each family chosen in the coder window, and spi-sim's options for the same code; with
// the first, A, C and L entered in "Перемежитель".
const codes = [
  { options: ['--code', '5', '--set', 'ilvA=1', '--set', 'ilvC=5', '--set', 'ilvL=4'],
    interleaver: { a: '1', c: '5', l: '4' }, steps: [['radio', 5]] },
  { options: ['--code', '8'], steps: [['click', '#coderBitBtn3'], ['radio', 8]] },
  // 14:20 and 18:8 have theory entries whose last bit once differed from spi-sim's.
  { options: ['--code', '14:20'], steps: [['radio', 14], ['fill', '#Edit5', '20']] },
  // The number of a non-binary code is locked after a fixed code: changed with the spin button.
  { options: ['--code', '18:8'], steps: [['radio', 18], ['spin', '#SpinButton1Up', '8']] },
  { options: ['--code', '7', '--taps', '1,2'], shot: true,
    steps: [['click', '#coderBitBtn3'], ['radio', 7], ['row', 1], ['row', 2], ['shot'], ['click', '#Button2']] },
];

export function spiSimRecord(options) {
  const dir = mkdtempSync(join(tmpdir(), 'spi-web-'));
  try {
    execFileSync(process.env.SPI_SIM, [...options, '--json', join(dir, 'run.json'), '--quiet'], { stdio: 'pipe' });
    return JSON.parse(readFileSync(join(dir, 'run.json'), 'utf8'));
  } finally {
    rmSync(dir, { recursive: true, force: true });
  }
}

// The keys in which the page's record differs from spi-sim's.
export function differences(web, native) {
  const own = new Set(['elapsedSeconds', 'command', 'threads']);
  const keys = new Set([...Object.keys(web), ...Object.keys(native)]);
  return [...keys].filter((k) => !own.has(k) && JSON.stringify(web[k]) !== JSON.stringify(native[k]));
}

export async function freshPage(browser, url, errors, structure = '#DC1') {
  const page = await browser.newPage({ viewport: { width: 1400, height: 900 } });
  page.on('pageerror', (e) => errors.push(String(e)));
  page.on('console', (m) => m.type() === 'error' && errors.push(m.text()));
  await page.goto(url);
  await page.click('#structureMenu .menu-title');
  await page.click(structure);
  await page.waitForSelector('#stageWindow:not([hidden])');
  return page;
}

async function stage(page, number, dialog, button) {
  await page.click(`#BitBtn${number}`);
  await page.waitForSelector(`${dialog}[open]`);
  await page.click(`${dialog} ${button}`);
  await page.waitForSelector(`${dialog}:not([open])`, { state: 'attached' });
}

const enter = (page, number, dialog) => stage(page, number, dialog, '.enter');
const cancel = (page, number, dialog) => stage(page, number, dialog, '[value=cancel]');

// "Стат 1" (stat2 false) or "Стат2" with NB and the seed; the run's record.
export async function testRecord(page, stat2, words, seed) {
  const id = stat2 ? 'stat2' : 'stat1';
  await page.evaluate(() => { window.lastRecord = null; });
  await page.click(stat2 ? '#BitBtn8' : '#BitBtn5');
  await page.fill(`#${id}Count`, words);
  await page.fill(`#${id}Seed`, seed);
  await page.click(`#${id}Dialog .enter`);
  await page.waitForFunction(() => window.lastRecord, null, { timeout: 120000 });
  if (await page.isVisible('#resultsWindow[open]')) await page.click('#resultsExit');
  return JSON.parse(await page.evaluate(() => window.lastRecord.json));
}

const stat2Record = (page, words, seed) => testRecord(page, true, words, seed);

function compare(check, what, web, options) {
  const bad = differences(web, spiSimRecord(options));
  check(bad.length === 0, `${what}: the record equals spi-sim ${options.join(' ')}${bad.length ? `; differs in ${bad.join(', ')}` : ''}`);
}

async function refusedEntries(page, check) {
  for (const r of refusals) {
    await page.click(`#BitBtn${r.stage}`);
    await page.waitForSelector(`${r.dialog}[open]`);
    const before = await page.inputValue(r.field);
    await page.fill(r.field, r.text);
    await page.click(`${r.dialog} .enter`);
    await page.waitForSelector('#messageBox[open]');
    const message = await page.textContent('#messageText');
    await page.click('#messageOk');
    check(message === r.message && (await page.isVisible(`${r.dialog}[open]`)),
          `${r.dialog} refuses '${r.text}' and stays open: ${message}`);
    await page.click(`${r.dialog} [value=cancel]`);
    await page.click(`#BitBtn${r.stage}`);
    await page.waitForSelector(`${r.dialog}[open]`);
    check((await page.inputValue(r.field)) === before, `${r.dialog}: "Отмена" kept ${before}`);
    await page.click(`${r.dialog} [value=cancel]`);
  }
}

// The tests enabled as the workstation enables them; then a discrete channel with E0 changed,
// which spi-sim runs with the channel the page's record gives, set by name.
async function changedChannel(page, check, words, seed) {
  const enabled = async () => [await page.isEnabled('#BitBtn5'), await page.isEnabled('#BitBtn8')].join();
  await cancel(page, 4, '#discDialog');
  await enter(page, 7, '#coderDialog');
  check((await enabled()) === 'true,true', '"Отмена" of the discrete channel enables "Стат 1"');
  await cancel(page, 3, '#cont1Dialog');
  check((await enabled()) === 'true,true', '"Отмена" of the continuous channel changes nothing');
  await enter(page, 3, '#cont1Dialog');
  check((await enabled()) === 'false,false', '"Ввод" of the continuous channel disables both tests');
  await page.click('#BitBtn4');
  await page.fill('#disc-e0', '0.15');
  await page.click('#discDialog .enter');
  await page.waitForSelector('#BitBtn5:enabled');
  await enter(page, 7, '#coderDialog');
  const web = await stat2Record(page, words, seed);
  check(web.discParams[3] === 0.15, `E0 taken from the dialog: ${web.discParams[3]}`);
  const set = web.discParams.flatMap((v, i) => ['--set', `discParams[${i}]=${v}`]);
  compare(check, 'changed discrete channel', web,
          ['--set', 'channelEntered=1', ...set, '--words', words, '--seed', seed]);
}

// "РУ": unequal symbols, the continuous channel without fading and "МАВ" chosen in the decision
// device (with equal symbols its rule would make no difference).
async function decisionDevice(page, check, words, seed) {
  await page.click('#BitBtn2');
  await page.fill('#signalEdit1', '0.8');
  await page.click('#signalDialog .enter');
  await page.click('#BitBtn9');
  await page.fill('#cont2-hp', '2');
  await page.fill('#cont2-hc', '0');
  await page.click('#cont2Dialog .enter');
  await page.click('#BitBtn10');
  await page.waitForSelector('#ruDialog[open]');
  check((await page.inputValue('#ru-pcp')) !== '', `Pcp in the decision device: ${await page.inputValue('#ru-pcp')}`);
  await page.check('#ruDialog input[name=criterion][value="1"]');
  await page.click('#ruDialog .enter');
  await page.waitForSelector('#BitBtn5:enabled');
  const set = ['--structure', 'ru', '--set', 'probOne=0.8', '--set', 'contHp=2', '--set', 'contHc=0',
               '--set', 'ruCriterion=1', '--words', words, '--seed', seed];
  compare(check, '"РУ", "Стат 1"', await testRecord(page, false, words, seed), ['--test', 'stat1', ...set]);
  await enter(page, 7, '#coderDialog');
  compare(check, '"РУ"', await stat2Record(page, words, seed), set);
}

async function chooseCode(page, steps, screenshot) {
  await page.click('#BitBtn7');
  await page.waitForSelector('#coderDialog[open]');
  for (const [what, arg, text] of steps) {
    if (what === 'radio') await page.click(`#codeType${arg}`);
    else if (what === 'click') await page.click(arg);
    else if (what === 'fill') await page.fill(arg, text);
    else if (what === 'row') await page.click(`#ListBox1 > div:nth-child(${arg})`);
    else if (what === 'shot') await page.screenshot({ path: screenshot });
    else if (what === 'spin') {
      for (let i = 0; i < 40; ++i) {
        const shown = await page.inputValue('#Edit5');
        if (shown === text) break;
        await page.click(arg);
        await page.waitForFunction((old) => document.getElementById('Edit5').value !== old, shown);
      }
    }
  }
  await page.click('#coderDialog .enter');
  await page.waitForSelector('#BitBtn8:enabled');
}

export async function driveDialogs(browser, { url, words, seed, check, screenshot }) {
  if (!process.env.SPI_SIM) {
    check(false, 'SPI_SIM names the spi-sim the dialogs\' runs are compared with');
    return;
  }
  const errors = [];
  let page = await freshPage(browser, url, errors);
  await refusedEntries(page, check);
  await page.close();
  page = await freshPage(browser, url, errors);
  await changedChannel(page, check, words, seed);
  await page.close();
  page = await freshPage(browser, url, errors, '#RU1');
  await decisionDevice(page, check, words, seed);
  await page.close();
  for (const c of codes) {
    page = await freshPage(browser, url, errors);
    await enter(page, 4, '#discDialog');
    if (c.interleaver) {
      await page.click('#BitBtn6');
      for (const [name, text] of Object.entries(c.interleaver)) await page.fill(`#ilv-${name}`, text);
      await page.click('#ilvDialog .enter');
    }
    await chooseCode(page, c.steps, screenshot);
    compare(check, `code ${c.options.join(' ')}`, await stat2Record(page, words, seed),
            [...c.options, '--words', words, '--seed', seed]);
    await page.close();
  }
  check(errors.length === 0, `no page errors in the dialogs ${errors.join('; ')}`);
}
