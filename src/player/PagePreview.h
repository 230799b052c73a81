#pragma once

class CdgScreen;
class KaraokeSong;
struct IMAGE_STRUCT;

// Still pictures of a song's pages, drawn straight into a renderer (no packets, no clock), as
// the previews of the working views and the settings dialog show them.

// A title or credits page as it stands after its draw transition.
void DrawPagePreview(CdgScreen& renderer, IMAGE_STRUCT& page);

// Lyric page `pageNumber` of the song: the lyrics page's colours, its picture in its share of
// the screen, and the lines of that page in their rows and singer colours (unswept).
void DrawLyricPagePreview(CdgScreen& renderer, const KaraokeSong& song, int pageNumber);
