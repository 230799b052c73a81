#pragma once

// Engine start-up, run before the settings dialog opens: builds the font dictionary.
// Always returns true.
bool MKaraoke_Initialize();
