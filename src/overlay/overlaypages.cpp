#include "overlay/overlaypages.h"

namespace {

const char kHead[] = R"(<!DOCTYPE html>
<html lang="ja"><head><meta charset="utf-8"><title>sazanami</title>
<style>
html, body { margin: 0; background: transparent; overflow: hidden; }
body { color: #fff; font: bold 28px "IPAGothic", "Noto Sans CJK JP", sans-serif;
       text-shadow: -2px -2px 0 #000, 2px -2px 0 #000, -2px 2px 0 #000, 2px 2px 0 #000,
                    0 2px 0 #000, 0 -2px 0 #000, 2px 0 0 #000, -2px 0 0 #000; }
</style>
<script>
// Marks every update the page has shown; a test or benchmark may listen through overlayShown.
let shownCount = 0;
function shown() {
  document.body.dataset.shown = ++shownCount;
  if (window.overlayShown) window.overlayShown(String(shownCount));
}
// Text pages: each message maps element ids to the texts they show, never markup.
function showTexts(message) {
  for (const [id, text] of Object.entries(JSON.parse(message))) {
    const element = document.getElementById(id);
    if (element) element.textContent = text;
  }
  shown();
}
function connect(onMessage) {
  const ws = new WebSocket((location.protocol === 'https:' ? 'wss://' : 'ws://') +
                           location.host + location.pathname + location.search);
  ws.onmessage = (e) => onMessage(e.data);
  ws.onclose = () => setTimeout(() => connect(onMessage), 1000);
}
</script></head>
)";

const char kSubtitle[] = R"(<body><canvas id="s" width="0" height="0"
 style="position:absolute; left:0; top:0"></canvas>
<script>
const canvas = document.getElementById('s');
const ctx = canvas.getContext('2d');
// Kind (0 whole, 1 part), x, y, frame width, frame height; then the part's PNG, if any.
async function apply(blob) {
  const head = new DataView(await blob.slice(0, 10).arrayBuffer());
  const [kind, x, y, w, h] = [0, 2, 4, 6, 8].map((i) => head.getUint16(i));
  if (kind === 0 || canvas.width !== w || canvas.height !== h) {
    canvas.width = w; // also clears it
    canvas.height = h;
  }
  if (blob.size > 10) {
    const part = await createImageBitmap(blob.slice(10, blob.size, 'image/png'));
    ctx.clearRect(x, y, part.width, part.height);
    ctx.drawImage(part, x, y);
    part.close();
  }
  requestAnimationFrame(shown);
}
let queue = Promise.resolve();
connect((blob) => { queue = queue.then(() => apply(blob)).catch(() => {}); });
</script></body></html>
)";

const char kQuestion[] = R"(<body>
<div id="q" style="position:absolute; left:8px; top:8px; white-space:pre"></div>
<div id="t" style="position:absolute; left:8px; top:48px"></div>
<script>connect(showTexts);</script></body></html>
)";

const char kScore[] = R"(<body>
<div id="total" style="margin:8px"></div>
<div id="lines" style="margin:8px; font-family:monospace; font-size:18px; white-space:pre"></div>
<script>connect(showTexts);</script></body></html>
)";

// Flowing comments. Each message: {seconds, max, c: [comment…]}, a comment {t text, p place
// (0 flows, 1 stands at the top, 2 at the bottom), s size, c colour, o outline colour,
// d [[x, y]…] copies in the outline colour, w outline pen}, pixels for a page 480 high.
const char kFlow[] = R"(<body><div id="f" style="position:absolute; left:0; top:0; overflow:hidden">
</div>
<script>
const query = new URLSearchParams(location.search);
function side(name, fallback, max) {
  const v = Math.round(Number(query.get(name)));
  return v >= 16 && v <= max ? v : fallback;
}
const W = side('w', 1280, 7680), H = side('h', 720, 4320), K = H / 480;
const field = document.getElementById('f');
field.style.width = W + 'px';
field.style.height = H + 'px';
// Lanes one line of the normal size high; standing comments stay 3 s.
const LANE = 32 * 1.2 * K, LANES = Math.max(1, Math.floor(H / LANE)), STAND = 3000;
const FONTS = '"ＭＳ Ｐゴシック", "IPAPGothic", "Noto Sans CJK JP", sans-serif';
let seconds = 5, max = 60, onScreen = 0;
const waiting = [];
// Per lane: the last comment that flowed into it; when its top and bottom standing ones leave.
const flowing = new Array(LANES).fill(null);
const topEnds = new Array(LANES).fill(0), bottomEnds = new Array(LANES).fill(0);

// The highest run of n lanes free at `now`, else the run that frees first.
function pick(n, freeAt, now) {
  let best = 0, bestTime = Infinity;
  for (let i = 0; i + n <= LANES; ++i) {
    let t = 0;
    for (let j = i; j < i + n; ++j) t = Math.max(t, freeAt(j));
    if (t <= now) return i;
    if (t < bestTime) { best = i; bestTime = t; }
  }
  return best;
}
function setSize(e, px) { e.style.font = `bold ${px}px/${px * 1.2}px ${FONTS}`; }
function leave(e) {
  e.remove();
  --onScreen;
  if (waiting.length) show(waiting.shift());
}
function show(c) {
  const e = document.createElement('div');
  e.textContent = String(c.t); // text, never markup
  e.style.cssText = 'position:absolute; white-space:pre; will-change:transform';
  const size = Math.min(Math.max(Number(c.s) || 32, 4), 400);
  setSize(e, size * K);
  e.style.color = c.c;
  const copies = Array.isArray(c.d) ? c.d : [];
  e.style.textShadow = copies.map(([x, y]) => `${x * K}px ${y * K}px 0 ${c.o}`).join(', ') || 'none';
  if (c.w > 0) {
    e.style.webkitTextStroke = `${c.w * K}px ${c.o}`;
    e.style.paintOrder = 'stroke fill';
  }
  field.appendChild(e);
  ++onScreen;
  const now = performance.now();
  let w = e.offsetWidth, scale = 1;
  if (c.p === 1 || c.p === 2) {
    if (w > W) { // a standing comment wider than the page is made to fit
      scale = W / w;
      setSize(e, size * K * scale);
      w = e.offsetWidth;
    }
    const ends = c.p === 1 ? topEnds : bottomEnds;
    const n = Math.min(LANES, Math.ceil(String(c.t).split('\n').length * size * scale / 32 - 1e-6));
    const lane = pick(n, (j) => ends[j], now);
    for (let j = lane; j < lane + n; ++j) ends[j] = now + STAND;
    e.style.left = (W - w) / 2 + 'px';
    e.style.top = (c.p === 1 ? lane * LANE : H - lane * LANE - e.offsetHeight) + 'px';
    setTimeout(() => leave(e), STAND);
    return;
  }
  // Longer comments flow faster: each crosses the page in the same time.
  const T = seconds * 1000, v = (W + w) / T;
  const n = Math.min(LANES, Math.ceil(String(c.t).split('\n').length * size / 32 - 1e-6));
  // Free: the one ahead has come in whole, and this one will not catch it before it leaves.
  const lane = pick(n, (j) => {
    const a = flowing[j];
    return a ? Math.max(a.start + a.w / a.v, a.start + T - W / v) : 0;
  }, now);
  for (let j = lane; j < lane + n; ++j) flowing[j] = {start: now, w: w, v: v};
  e.style.left = W + 'px';
  e.style.top = lane * LANE + 'px';
  e.animate([{transform: 'translateX(0)'}, {transform: `translateX(${-(W + w)}px)`}],
            {duration: T, easing: 'linear'}).onfinish = () => leave(e);
}
// Beyond `max` on the page, comments wait; beyond `max` waiting, the oldest are dropped.
function add(c) {
  if (onScreen < max) return show(c);
  waiting.push(c);
  if (waiting.length > max) waiting.shift();
}
connect((data) => {
  const m = JSON.parse(data);
  seconds = Math.min(Math.max(Number(m.seconds) || 5, 1), 60);
  max = Math.min(Math.max(Number(m.max) || 60, 1), 200);
  for (const c of m.c || []) add(c);
  requestAnimationFrame(shown);
});
</script></body></html>
)";

} // namespace

QByteArray OverlayPageHtml(OverlayPage page)
{
    switch (page) {
    case OverlayPage::Subtitle:
        return QByteArray(kHead) + kSubtitle;
    case OverlayPage::Question:
        return QByteArray(kHead) + kQuestion;
    case OverlayPage::Score:
        return QByteArray(kHead) + kScore;
    case OverlayPage::Flow:
        return QByteArray(kHead) + kFlow;
    case OverlayPage::Index:
        break;
    }
    return OverlayIndexHtml({});
}

QByteArray OverlayIndexHtml(const QList<OverlayIndexEntry> &entries)
{
    QString rows;
    for (const OverlayIndexEntry &e : entries)
        rows += QStringLiteral("<tr><td><a href=\"%1\">%1</a></td><td>%2 × %3</td></tr>\n")
                    .arg(e.address.toHtmlEscaped())
                    .arg(e.size.width())
                    .arg(e.size.height());
    return QStringLiteral("<!DOCTYPE html>\n<html lang=\"ja\"><head><meta charset=\"utf-8\">"
                          "<title>sazanami 配信用URL</title></head><body>\n"
                          "<p>配信ソフトの「ブラウザソース」に追加し、幅と高さを次の大きさに"
                          "してください。</p>\n<table>\n%1</table>\n</body></html>\n")
        .arg(rows)
        .toUtf8();
}
