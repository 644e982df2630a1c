// "Рисунок" beside the results table: the error-multiplicity distributions before ("До УЗО") and
// after ("После УЗО") decoding as bars, with their value marks where the bars leave room, and
// the theory's distribution before decoding as points over the "До УЗО" bars ("Теория"), as the
// workstation's picture window draws them. Plain SVG.
'use strict';

const svgNs = 'http://www.w3.org/2000/svg';
const pictureColors = { before: '#ff00ff', after: '#0000ff', beforeMark: '#800080', afterMark: '#000080',
  theory: '#00b040', theoryRing: '#005820', grid: '#b0b8c8' };

function svg(tag, attrs = {}, text = null) {
  const e = document.createElementNS(svgNs, tag);
  for (const [k, v] of Object.entries(attrs)) e.setAttribute(k, String(v));
  if (text !== null) e.textContent = text;
  return e;
}

// A value mark: at most three decimals, no trailing zeros.
function formatMark(value) {
  let text = value.toFixed(3);
  if (text.includes('.')) text = text.replace(/0+$/, '').replace(/\.$/, '');
  return text === '-0' ? '0' : text;
}

// The axis from 0 to a round number at or above `top`, in steps of 1, 2 or 5 times a power of ten.
function niceAxis(top) {
  const raw = top / 5;
  const power = 10 ** Math.floor(Math.log10(raw));
  const step = [1, 2, 5, 10].map((f) => f * power).find((s) => s >= raw);
  const ticks = Math.ceil(top / step - 1e-9);
  return { step, ticks, max: step * ticks };
}

function drawPicture(box, chart) {
  const width = 480, height = 360;
  const left = 56, right = 12, top = 34, bottom = 64;
  const rows = chart.before.length;
  const highest = Math.max(0, ...chart.before, ...chart.after, ...chart.theory);
  const axis = niceAxis(highest > 0 ? highest * 1.15 : 1);
  const plotW = width - left - right, plotH = height - top - bottom;
  const slot = plotW / Math.max(rows, 1);
  const bar = slot * 0.4;
  const y = (v) => top + plotH - (v / axis.max) * plotH;
  const picture = svg('svg', { width, height, viewBox: `0 0 ${width} ${height}`, id: 'Chart1' });
  picture.append(svg('text', { x: width / 2, y: 20, 'text-anchor': 'middle', 'font-size': 14,
    'font-weight': 'bold' }, 'Результаты испытаний'));

  for (let t = 0; t <= axis.ticks; ++t) {
    const v = t * axis.step, py = y(v);
    picture.append(svg('line', { x1: left, x2: left + plotW, y1: py, y2: py, stroke: pictureColors.grid }));
    picture.append(svg('text', { x: left - 4, y: py + 4, 'text-anchor': 'end' }, String(+v.toPrecision(6))));
  }
  // Multiplicity labels, every one where there is room, otherwise every second, fifth, ...
  const every = [1, 2, 5, 10, 20, 50].find((e) => slot * e >= 18) || 100;
  const marksFit = bar >= 28; // the marks of both bars side by side without overlapping
  const series = [['before', -bar / 2, pictureColors.before, pictureColors.beforeMark],
    ['after', bar / 2, pictureColors.after, pictureColors.afterMark]];
  for (let i = 0; i < rows; ++i) {
    const cx = left + slot * (i + 0.5);
    for (const [key, dx, color, markColor] of series) {
      const v = chart[key][i], py = y(v);
      picture.append(svg('rect', { x: cx + dx - bar / 2, y: py, width: bar, height: top + plotH - py, fill: color,
        class: key }));
      // A mark of "До УЗО" is lifted over the theory's point where the point would cover it.
      let foot = py - 3;
      const ty = key === 'before' && i < chart.theory.length ? y(chart.theory[i]) : null;
      if (ty !== null && ty + 5 > foot - 10 && ty - 5 < foot) foot = ty - 7;
      if (marksFit) picture.append(svg('text', { x: cx + dx, y: foot, 'text-anchor': 'middle', 'font-size': 10,
        fill: markColor, class: `${key}-mark` }, formatMark(v)));
    }
    if (i % every === 0)
      picture.append(svg('text', { x: cx, y: top + plotH + 15, 'text-anchor': 'middle' }, String(i)));
  }
  chart.theory.forEach((v, i) => {
    picture.append(svg('circle', { cx: left + slot * (i + 0.5) - bar / 2, cy: y(v), r: 4.5,
      fill: pictureColors.theory, stroke: pictureColors.theoryRing, class: 'theory' }));
  });
  picture.append(svg('line', { x1: left, x2: left + plotW, y1: top + plotH, y2: top + plotH, stroke: '#000' }));
  picture.append(svg('line', { x1: left, x2: left, y1: top, y2: top + plotH, stroke: '#000' }));
  picture.append(svg('text', { x: left + plotW / 2, y: top + plotH + 32, 'text-anchor': 'middle' }, 'Кратность'));

  // The legend; "Теория" only where the run has it, otherwise why it has none.
  const legend = [['До УЗО', 'rect', pictureColors.before], ['После УЗО', 'rect', pictureColors.after]];
  if (chart.theory.length > 0) legend.push(['Теория', 'circle', pictureColors.theory]);
  let lx = left;
  const ly = height - 12;
  for (const [name, shape, color] of legend) {
    picture.append(shape === 'rect'
      ? svg('rect', { x: lx, y: ly - 9, width: 12, height: 10, fill: color })
      : svg('circle', { cx: lx + 6, cy: ly - 4, r: 4.5, fill: color, stroke: pictureColors.theoryRing }));
    picture.append(svg('text', { x: lx + 16, y: ly }, name));
    lx += 24 + name.length * 8;
  }
  if (chart.theory.length === 0 && chart.theoryAbsent)
    picture.append(svg('text', { x: lx, y: ly, fill: '#606060', 'font-size': 11, class: 'theory-absent' },
      `Теория: нет — ${chart.theoryAbsent}`));
  box.replaceChildren(picture);
}
