#pragma once
#include "app/views/CViewBase.h"

// The working view number ViewId::PlaceLyrics.
class CPlaceLyricsDlg : public CViewBase {
    Q_OBJECT
public:
    CPlaceLyricsDlg(CTessavoxApp& app, QWidget* parent);
};
