#pragma once

// Engine start-up, run before the settings dialog opens: builds the font dictionary that the
// rasterizer looks faces up in.
// Always returns true.
bool MKaraoke_Initialize();
