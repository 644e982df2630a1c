// The menu "Файл" driven as a student would: initial-data files saved by spi-sim opened in the
// page and saved again byte for byte, bad files refused with the engine's message and the model
// left as it was, a run of an opened file equal to spi-sim's with --data; and the test report
// of a run, downloaded from the page, equal to spi-sim's --report of the same run.
import { execFileSync } from 'node:child_process';
import { mkdtempSync, readFileSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { differences, freshPage, spiSimRecord, testRecord } from './dialogs.mjs';

async function message(page) {
  await page.waitForSelector('#messageBox[open]');
  const text = await page.textContent('#messageText');
  await page.click('#messageOk');
  await page.waitForSelector('#messageBox:not([open])', { state: 'attached' });
  return text;
}

async function openFile(page, name, buffer) {
  await page.click('#fileMenu .menu-title');
  const [chooser] = await Promise.all([page.waitForEvent('filechooser'), page.click('#Open1')]);
  await chooser.setFiles({ name, mimeType: 'application/octet-stream', buffer });
  return message(page);
}

// Accepts the save dialog with `name`; the download's name and bytes.
async function saveAs(page, name) {
  await page.waitForSelector('#saveDialog[open]');
  await page.fill('#saveName', name);
  const [download] = await Promise.all([page.waitForEvent('download'), page.click('#saveDialog .enter')]);
  return { name: download.suggestedFilename(), bytes: readFileSync(await download.path()) };
}

async function saveData(page, name) {
  await page.click('#fileMenu .menu-title');
  await page.click('#Save1_1');
  return saveAs(page, name);
}

export async function driveFiles(browser, { url, words, seed, check }) {
  const dir = mkdtempSync(join(tmpdir(), 'spi-web-files-'));
  const errors = [];
  try {
    const saved = join(dir, 'var5.dat');
    execFileSync(process.env.SPI_SIM, ['--code', '5', '--set', 'ilvA=1', '--set', 'ilvC=5', '--set', 'ilvL=4',
      '--set', 'channelEntered=1', '--set', 'discParams[3]=0.15', '--words', '10', '--save-data', saved, '--quiet']);
    const good = readFileSync(saved);
    const page = await freshPage(browser, url, errors);
    const defaults = await saveData(page, 'var1');
    check(defaults.name === 'var1.dat' && defaults.bytes.length === 540, `"Сохранить" the defaults: ${defaults.name}`);

    // Refused files: the engine's message, and the model as it was.
    const alien = Buffer.from(good);
    alien.fill(0, 532);
    const bad = [
      { name: 'short.dat', bytes: good.subarray(0, 100),
        says: 'Файл «short.dat» короче записи исходных данных (прочитано байт: 100 из 540).' },
      { name: 'alien.dat', bytes: alien, says: 'Файл не принадлежит программе КВИР.' },
    ];
    for (const b of bad) {
      const said = await openFile(page, b.name, b.bytes);
      check(said === b.says, `${b.name} refused: ${said}`);
    }
    const after = await saveData(page, 'same.dat');
    check(after.name === 'same.dat' && after.bytes.equals(defaults.bytes), 'the model unchanged by the refused files');

    // A file of spi-sim opened (both tests enabled before), saved again byte for byte, and run
    // as spi-sim runs it.
    await page.click('#BitBtn4');
    await page.click('#discDialog .enter');
    await page.click('#BitBtn7');
    await page.click('#coderDialog .enter');
    await page.waitForSelector('#BitBtn8:enabled');
    check((await openFile(page, 'var5.dat', good)) === 'Чтение завершено успешно.', 'var5.dat opened');
    const stages = await page.waitForFunction(() => {
      const [stat1, stat2] = ['BitBtn5', 'BitBtn8'].map((id) => document.getElementById(id).disabled);
      return !stat1 && stat2;
    }, null, { timeout: 5000 }).then(() => true, () => false);
    check(stages, '"Стат 1" enabled and "Стат2" disabled after "Открыть"');
    const copy = await saveData(page, 'copy');
    check(copy.name === 'copy.dat' && copy.bytes.equals(good), `${copy.name} equals spi-sim's file byte for byte`);
    await page.click('#BitBtn7');
    await page.waitForSelector('#coderDialog[open]');
    await page.click('#coderDialog .enter');
    await page.waitForSelector('#BitBtn8:enabled');
    const web = await testRecord(page, true, words, seed);
    const diff = differences(web, spiSimRecord(['--data', saved, '--words', words, '--seed', seed]));
    check(diff.length === 0, `the opened file's run equals spi-sim --data${diff.length ? `; differs in ${diff}` : ''}`);
    await page.close();
  } finally {
    rmSync(dir, { recursive: true, force: true });
  }
  check(errors.length === 0, `no page errors with the files ${errors.join('; ')}`);
}

// In the results window of a run of the default chain: the report shown, and its download equal
// to spi-sim's --report of the same run.
export async function checkReport(page, { words, seed, check }) {
  await page.click('#resultsReport');
  await page.waitForSelector('#reportWindow[open]');
  const shown = await page.textContent('#reportText');
  check(shown.includes('РАСПРЕДЕЛЕНИЕ КРАТНОСТЕЙ ОШИБОК ПОСЛЕ ДЕКОДИРОВАНИЯ'), 'the report shown on the page');
  await page.click('#reportSave');
  const report = await saveAs(page, 'rezult1');
  await page.click('#reportExit');
  const dir = mkdtempSync(join(tmpdir(), 'spi-web-report-'));
  try {
    const file = join(dir, 'native.rez');
    execFileSync(process.env.SPI_SIM, ['--words', words, '--seed', seed, '--report', file, '--quiet']);
    const native = readFileSync(file);
    check(report.name === 'rezult1.rez' && report.bytes.equals(native),
          `${report.name} equals spi-sim --report byte for byte (${report.bytes.length} bytes)`);
    check(shown === new TextDecoder('windows-1251').decode(native), 'the report shown is the file decoded');
  } finally {
    rmSync(dir, { recursive: true, force: true });
  }
}
