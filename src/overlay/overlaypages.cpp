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
