// The help on the page: the workstation's pages, reached from "Помощь", from their links, with
// "Назад", and with F1 in a dialog; each must show the heading of its source page
// (src/gui/app/help), and the table of cyclic codes every row of the engine's table.
import { readFileSync } from 'node:fs';
import { fileURLToPath } from 'node:url';
import { freshPage } from './dialogs.mjs';

const helpDir = fileURLToPath(new URL('../../src/gui/app/help/', import.meta.url));
// The topics of the workstation's table of pages.
const topicCount = readFileSync(new URL('../../src/gui/app/help_topics.cpp', import.meta.url), 'utf8')
  .match(/\{\d+, "[a-z0-9_]+\.html"\}/g).length;
const heading = (file) => /<h1>(.*?)<\/h1>/s.exec(readFileSync(helpDir + file, 'utf8'))[1];

async function shows(page, file) {
  const h1 = heading(file);
  await page.waitForFunction((h) => {
    const doc = document.getElementById('helpFrame').contentDocument;
    return doc && doc.querySelector('h1') && doc.querySelector('h1').textContent === h;
  }, h1, { timeout: 5000 }).catch(() => {});
  return (await page.evaluate(() => document.getElementById('helpFrame').contentDocument.querySelector('h1')?.textContent)) === h1;
}

const clickLink = (page, href) => page.frameLocator('#helpFrame').locator(`a[href="${href}"]`).first().click();

export async function driveHelp(browser, { url, check }) {
  const errors = [];
  const page = await freshPage(browser, url, errors);
  await page.click('#helpMenu .menu-title');
  await page.click('#Help1');
  await page.waitForSelector('#helpWindow[open]');
  check(await shows(page, 'index.html'), '"Помощь" opens the contents');
  await clickLink(page, 'topic:8');
  check(await shows(page, 'coder.html'), 'a link of the contents opens "УЗО"');
  await clickLink(page, 'topic:TabCycle');
  check(await shows(page, 'tabcycle.html'), 'a link opens the table of cyclic codes');
  const rows = await page.frameLocator('#helpFrame').locator('tr').count();
  const shaded = await page.frameLocator('#helpFrame').locator('td[bgcolor]').count();
  check(rows === 88 && shaded === 11 * 5, `the table of cyclic codes: ${rows - 1} rows, ${shaded / 5} shaded`);
  await page.click('#helpBack');
  check(await shows(page, 'coder.html'), '"Назад" returns to "УЗО"');
  // Every topic of the workstation's table has its page.
  const topics = await page.evaluate(() => Object.entries(helpTopicFiles));
  const wrong = [];
  for (const [topic, file] of topics) {
    await page.evaluate((t) => showHelpPage(t), topic);
    if (!(await shows(page, file))) wrong.push(topic);
  }
  check(topics.length === topicCount && wrong.length === 0, `${topics.length} topics shown${wrong.length ? `; wrong: ${wrong}` : ''}`);
  await page.click('#helpClose');

  await page.click('#BitBtn4');
  await page.waitForSelector('#discDialog[open]');
  await page.keyboard.press('F1');
  await page.waitForSelector('#helpWindow[open]');
  check(await shows(page, 'discrete_channel.html'), 'F1 in "Дискретный канал" opens its topic');
  await page.click('#helpClose');
  await page.click('#discDialog [value=cancel]');
  await page.close();
  check(errors.length === 0, `no page errors in the help ${errors.join('; ')}`);
}
