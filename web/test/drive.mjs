// Drives the page in headless Chromium as a student would: "ДК", "Дискретный канал", "УЗО",
// "Стат2" with NB and a seed, the results window; then "Прервать" of a long run, which must stop
// within 0.2 s and leave the session usable, and a refused entry. Writes the run's JSON record
// and a screenshot; scripts/test-web.sh compares the record with spi-sim's. Then the dialogs
// (dialogs.mjs): refused entries, the stage row's rules, a changed discrete channel and a code of
// each family, each run compared here with spi-sim's (SPI_SIM); a screenshot of the coder window
// beside the first.
//
//   SPI_SIM=spi-sim node web/test/drive.mjs URL WORDS SEED OUT.json SCREENSHOT.png
import { chromium } from 'playwright-core';
import { writeFileSync } from 'node:fs';
import { dirname, join } from 'node:path';
import { driveDialogs } from './dialogs.mjs';
import { checkReport, driveFiles } from './files.mjs';
import { driveHelp } from './help.mjs';

const [url, words, seed, jsonOut, screenshot] = process.argv.slice(2);
const failures = [];
const check = (ok, what) => {
  console.log(`${ok ? 'ok  ' : 'FAIL'} ${what}`);
  if (!ok) failures.push(what);
};

const browser = await chromium.launch({
  executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
  args: ['--no-sandbox'],
});
try {
  const page = await browser.newPage({ viewport: { width: 1400, height: 900 } });
  const errors = [];
  page.on('pageerror', (e) => errors.push(String(e)));
  page.on('console', (m) => m.type() === 'error' && errors.push(m.text()));
  const requests = [];
  page.on('request', (r) => requests.push(r.url()));
  await page.goto(url);

  // The structure, then the stage row with the tests disabled until their steps are taken.
  await page.click('#structureMenu .menu-title');
  await page.click('#DC1');
  await page.waitForSelector('#stageWindow:not([hidden])');
  check((await page.textContent('#stageTitle')) === 'Модель СПИ с дискретным каналом (ДК)', 'title of ДК');
  check(await page.isDisabled('#BitBtn5'), '"Стат 1" disabled before the channel step');
  check(await page.isDisabled('#BitBtn8'), '"Стат2" disabled before the coder step');
  await page.click('#BitBtn4');
  await page.click('#discDialog .enter');
  await page.waitForSelector('#BitBtn5:enabled');
  await page.click('#BitBtn7');
  await page.click('#coderDialog .enter');
  await page.waitForSelector('#BitBtn8:enabled');
  await page.screenshot({ path: join(dirname(screenshot), 'web-stages.png'), clip: { x: 0, y: 0, width: 1400, height: 420 } });

  // "Стат2" with a refused entry first: the message of the dialogs, the dialog stays open.
  await page.click('#BitBtn8');
  await page.waitForSelector('#stat2Dialog[open]');
  check((await page.inputValue('#stat2Count')) === '1000', 'NB of the model in the dialog');
  await page.fill('#stat2Count', '1x');
  await page.click('#stat2Dialog .enter');
  await page.waitForSelector('#messageBox[open]');
  const refusal = await page.textContent('#messageText');
  check(refusal === "Количество блоков NB: '1x' - недопустимое целое число.", `refusal: ${refusal}`);
  await page.click('#messageOk');

  await page.fill('#stat2Count', words);
  await page.fill('#stat2Seed', seed);
  await page.click('#stat2Dialog .enter');
  await page.waitForSelector('#resultsWindow[open]', { timeout: 120000 });
  const record = await page.evaluate(() => window.lastRecord);
  writeFileSync(jsonOut, record.json);
  check(record.report && record.report.length > 0, 'report bytes');
  const rows = await page.$$eval('#resultsTable tbody tr', (r) => r.length);
  check(rows > 1, `results table rows: ${rows}`);
  check((await page.textContent('#figures')).includes('Эквивалентная вероятность ошибки Pвых :'), 'figures');
  // The picture: a bar of each distribution and a theory point for each row, the bars' heights
  // in the ratios of the record's values.
  const picture = await page.evaluate(() => {
    const heights = (cls) => [...document.querySelectorAll(`#picture rect.${cls}`)].map((r) => Number(r.getAttribute('height')));
    return { before: heights('before'), after: heights('after'), points: document.querySelectorAll('#picture circle.theory').length };
  });
  const values = JSON.parse(record.json);
  const scale = picture.before[0] / values.multBefore[0];
  const off = [...picture.before.map((h, i) => h - scale * (values.multBefore[i] ?? 0)),
    ...picture.after.map((h, i) => h - scale * (values.multAfter[i] ?? 0))].filter((d) => Math.abs(d) > 0.01);
  check(picture.before.length === rows && picture.after.length === rows && picture.points === rows && off.length === 0,
        `the picture: ${picture.before.length} + ${picture.after.length} bars and ${picture.points} theory points for ${rows} rows, heights as the record's`);
  await page.screenshot({ path: screenshot });
  await checkReport(page, { words, seed, check });
  await page.click('#resultsExit');

  // More draws than the generator's cycle: asked before the run; "Нет" starts nothing.
  await page.click('#BitBtn5');
  await page.waitForSelector('#stat1Dialog[open]');
  await page.fill('#stat1Length', '1000');
  await page.fill('#stat1Count', '9000000');
  await page.click('#stat1Dialog .enter');
  await page.waitForSelector('#questionBox[open]');
  const question = await page.textContent('#questionText');
  check(question.includes('2^32 = 4294967296') && question.endsWith(' Продолжить?'), `the cycle's question: ${question}`);
  await page.click('#questionNo');
  check(!(await page.isVisible('#progressWindow[open]')), 'no run after "Нет"');
  await page.click('#BitBtn5');
  await page.waitForSelector('#stat1Dialog[open]');
  check((await page.inputValue('#stat1Count')) === words, 'NB as before the question');
  await page.click('#stat1Dialog button[value=cancel]');

  // "Прервать" of a long run: stopped at once, then the same session runs again.
  await page.click('#BitBtn8');
  await page.waitForSelector('#stat2Dialog[open]');
  await page.fill('#stat2Count', '90000000');
  await page.fill('#stat2Seed', '');
  await page.click('#stat2Dialog .enter');
  await page.waitForSelector('#progressWindow[open]');
  await page.waitForFunction(() => Number(document.getElementById('progressCounter').value) > 0);
  const stopped = await page.evaluate(async () => {
    const t0 = performance.now();
    document.getElementById('abort').click();
    while (document.getElementById('progressWindow').open) await new Promise((r) => setTimeout(r, 5));
    return performance.now() - t0;
  });
  check(stopped < 200, `"Прервать" stopped the run in ${stopped.toFixed(0)} ms`);
  check(!(await page.isVisible('#resultsWindow[open]')), 'no results after "Прервать"');
  await page.click('#BitBtn8');
  await page.waitForSelector('#stat2Dialog[open]');
  const nbAfter = await page.inputValue('#stat2Count');
  check(nbAfter === words, `NB as before the stopped run: ${nbAfter}`);
  await page.fill('#stat2Seed', seed);
  await page.click('#stat2Dialog .enter');
  await page.waitForSelector('#resultsWindow[open]', { timeout: 120000 });
  const again = await page.evaluate(() => window.lastRecord.json);
  const strip = (j) => { const o = JSON.parse(j); delete o.elapsedSeconds; return JSON.stringify(o); };
  check(strip(again) === strip(record.json), 'the session after "Прервать" repeats the run');

  check(errors.length === 0, `no page errors ${errors.join('; ')}`);
  const origin = new URL(url).origin;
  const outside = requests.filter((r) => !r.startsWith(origin));
  check(outside.length === 0, `nothing fetched from outside ${outside.join(' ')}`);

  await driveDialogs(browser, { url, words, seed, check, screenshot: join(dirname(screenshot), 'web-dialog.png') });
  await driveFiles(browser, { url, words, seed, check });
  await driveHelp(browser, { url, check });
} finally {
  await browser.close();
}
if (failures.length) {
  console.log(`${failures.length} failed`);
  process.exit(1);
}
