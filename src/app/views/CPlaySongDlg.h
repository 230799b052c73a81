#pragma once
#include "app/views/CViewBase.h"

// The working view number ViewId::PlayFinal.
class CPlaySongDlg : public CViewBase {
    Q_OBJECT
public:
    CPlaySongDlg(CTessavoxApp& app, QWidget* parent);
};
