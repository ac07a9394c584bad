#include "GalleryPage.h"

#include "Scenery.h"

namespace demo {
namespace {

// Laid out for the client's 895 x 550 view: four columns, three rows, no
// scroll bar. The same page serves WebKitGTK and the WebBrowser control of
// Windows XP's IE 8 onwards: IE's engine mode is asked for first thing in the
// head (without it the control draws as IE 7), the cards are inline blocks
// rather than a grid, and the script is plain ES3 with DOM level 1 calls.
// Rounded corners, shadows and the hover lift are extras IE 8 leaves out.
constexpr const char* kHead = R"(<!DOCTYPE html>
<html lang="en">
<head>
<meta http-equiv="X-UA-Compatible" content="IE=edge">
<meta charset="utf-8">
<title>Pictavo Wallpapers</title>
<style>
html,body{margin:0;height:100%;background:#EDEEF0;font:13px/1.3 "DejaVu Sans",Verdana,sans-serif;color:#2B2F36;
  -webkit-user-select:none;user-select:none;cursor:default;overflow:hidden}
#head{padding:14px 24px 10px;white-space:nowrap}
h1{display:inline;margin:0 12px 0 0;font-size:19px;font-weight:600;letter-spacing:.3px}
#head span{color:#6B7280;font-size:12px}
#grid{text-align:center}
.card{display:inline-block;vertical-align:top;margin:0 8px 10px;width:200px;border-radius:6px;background:#fff;
  box-shadow:0 1px 3px rgba(0,0,0,.18);overflow:hidden;text-align:left;transition:transform .12s,box-shadow .12s}
.card:hover{transform:translateY(-2px);box-shadow:0 4px 10px rgba(0,0,0,.22)}
.picked{outline:3px solid #3B82F6;outline-offset:2px}
.card img{display:block;width:200px;height:112px;border:0}
.caption{padding:4px 8px 5px;font-size:12px;white-space:nowrap;overflow:hidden;text-overflow:ellipsis}
#status{position:fixed;left:0;right:0;bottom:0;padding:8px 24px;background:#E2E4E8;color:#4B5563;font-size:12px}
#status.done{background:#DCEAFE;color:#1E3A8A}
</style>
</head>
<body oncontextmenu="return false">
<div id="head"><h1>Pictavo Wallpapers</h1><span>Click a picture to make it your desktop wallpaper</span></div>
<div id="grid"></div>
<div id="status">Pick a picture: Pictavo downloads the size that fits your screen.</div>
<script>
var pictures = [
)";

constexpr const char* kTail = R"(
];
var site = location.protocol + '//' + location.host + '/';
var pickedCard = null;
var pickNote = null;

function request(p) {
  var list = [];
  for (var i = 0; i < p.sizes.length; i++)
    list.push('pic/' + p.name + ',' + p.sizes[i][0] + ',' + p.sizes[i][1] + '.jpg');
  return site + 'pic/' + p.name + '.jpg?v=' + list.join(';');
}

function setText(element, text) {
  while (element.firstChild)
    element.removeChild(element.firstChild);
  element.appendChild(document.createTextNode(text));
}

function pick(p, card) {
  var status = document.getElementById('status');
  if (pickedCard)
    pickedCard.className = 'card';
  card.className = 'card picked';
  pickedCard = card;
  // A note for the portal's log; kept, so it is not collected before it is sent.
  pickNote = new Image();
  pickNote.src = '/picked?name=' + encodeURIComponent(p.name);
  try {
    window.external.downloadPic(request(p));
    setText(status, 'Picked \u201C' + p.title + '\u201D: it becomes your wallpaper as soon as it has arrived.');
    status.className = 'done';
  } catch (e) {
    setText(status, 'Picked \u201C' + p.title + '\u201D, but only the Pictavo client can set a wallpaper.');
    status.className = '';
  }
}

function addCard(grid, p) {
  var card = document.createElement('div');
  card.className = 'card';
  card.id = p.name;
  var img = document.createElement('img');
  img.src = 'thumb/' + p.name + '.jpg';
  img.alt = p.title;
  img.ondragstart = function () { return false; };
  var caption = document.createElement('div');
  caption.className = 'caption';
  setText(caption, p.title);
  card.appendChild(img);
  card.appendChild(caption);
  card.onclick = function () { pick(p, card); };
  grid.appendChild(card);
}

var grid = document.getElementById('grid');
for (var n = 0; n < pictures.length; n++)
  addCard(grid, pictures[n]);
</script>
</body>
</html>
)";

} // namespace

std::string GalleryPage()
{
    std::string page = kHead;
    const char* pictureSeparator = "";
    for (const Picture& p : Catalogue()) {
        // Names and titles are the catalogue's own plain words: nothing to
        // escape. No comma after the last element: IE 8 would count one more.
        page += pictureSeparator;
        page += "  {name: '" + p.name + "', title: '" + p.title + "', sizes: [";
        const char* sizeSeparator = "";
        for (const Size s : p.sizes) {
            page += sizeSeparator;
            page += "[" + std::to_string(s.width) + "," + std::to_string(s.height) + "]";
            sizeSeparator = ",";
        }
        page += "]}";
        pictureSeparator = ",\n";
    }
    return page + kTail;
}

} // namespace demo
