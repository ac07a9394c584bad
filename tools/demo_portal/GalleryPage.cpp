#include "GalleryPage.h"

#include "Scenery.h"

namespace demo {
namespace {

// Laid out for the client's 895 x 550 view: four columns, three rows, no
// scroll bar.
constexpr const char* kHead = R"(<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="utf-8">
<title>Pictavo Wallpapers</title>
<style>
html,body{margin:0;height:100%;background:#EDEEF0;font:13px/1.3 "DejaVu Sans",Verdana,sans-serif;color:#2B2F36;
  -webkit-user-select:none;user-select:none;cursor:default;overflow:hidden}
header{display:flex;align-items:baseline;gap:12px;padding:14px 24px 10px}
h1{margin:0;font-size:19px;font-weight:600;letter-spacing:.3px}
header span{color:#6B7280;font-size:12px}
main{display:grid;grid-template-columns:repeat(4,200px);gap:10px 16px;justify-content:center}
figure{margin:0;width:200px;border-radius:6px;background:#fff;box-shadow:0 1px 3px rgba(0,0,0,.18);overflow:hidden;
  transition:transform .12s,box-shadow .12s}
figure:hover{transform:translateY(-2px);box-shadow:0 4px 10px rgba(0,0,0,.22)}
figure.picked{outline:3px solid #3B82F6;outline-offset:2px}
figure img{display:block;width:200px;height:112px}
figcaption{padding:4px 8px 5px;font-size:12px;white-space:nowrap;overflow:hidden;text-overflow:ellipsis}
#status{position:fixed;left:0;right:0;bottom:0;padding:8px 24px;background:#E2E4E8;color:#4B5563;font-size:12px}
#status.done{background:#DCEAFE;color:#1E3A8A}
</style>
</head>
<body oncontextmenu="return false">
<header><h1>Pictavo Wallpapers</h1><span>Click a picture to make it your desktop wallpaper</span></header>
<main id="grid"></main>
<div id="status">Pick a picture: Pictavo downloads the size that fits your screen.</div>
<script>
const pictures = [
)";

constexpr const char* kTail = R"(];
const site = location.protocol + '//' + location.host + '/';
function request(p) {
  const list = p.sizes.map(s => 'pic/' + p.name + ',' + s[0] + ',' + s[1] + '.jpg');
  return site + 'pic/' + p.name + '.jpg?v=' + list.join(';');
}
function pick(p, figure) {
  const status = document.getElementById('status');
  document.querySelectorAll('figure.picked').forEach(f => f.classList.remove('picked'));
  figure.classList.add('picked');
  fetch('/picked?name=' + encodeURIComponent(p.name)).catch(() => {});
  try {
    window.external.downloadPic(request(p));
    status.textContent = 'Picked \u201C' + p.title + '\u201D: it becomes your wallpaper as soon as it has arrived.';
    status.className = 'done';
  } catch (e) {
    status.textContent = 'Picked \u201C' + p.title + '\u201D, but only the Pictavo client can set a wallpaper.';
    status.className = '';
  }
}
const grid = document.getElementById('grid');
for (const p of pictures) {
  const figure = document.createElement('figure');
  figure.id = p.name;
  const img = document.createElement('img');
  img.src = 'thumb/' + p.name + '.jpg';
  img.alt = p.title;
  img.draggable = false;
  const caption = document.createElement('figcaption');
  caption.textContent = p.title;
  figure.append(img, caption);
  figure.addEventListener('click', () => pick(p, figure));
  grid.append(figure);
}
</script>
</body>
</html>
)";

} // namespace

std::string GalleryPage()
{
    std::string page = kHead;
    for (const Picture& p : Catalogue()) {
        // Names and titles are the catalogue's own plain words: nothing to escape.
        page += "  {name: '" + p.name + "', title: '" + p.title + "', sizes: [";
        for (const Size s : p.sizes)
            page += "[" + std::to_string(s.width) + "," + std::to_string(s.height) + "],";
        page += "]},\n";
    }
    return page + kTail;
}

} // namespace demo
