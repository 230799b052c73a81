#pragma once
#include "app/views/CViewBase.h"

// The working view number ViewId::AdjustLyrics.
class CNudgeLyricsDlg : public CViewBase {
    Q_OBJECT
public:
    CNudgeLyricsDlg(CTessavoxApp& app, QWidget* parent);
};
