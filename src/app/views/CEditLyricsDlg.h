#pragma once
#include "app/views/CViewBase.h"

// The working view number ViewId::EditLyrics.
class CEditLyricsDlg : public CViewBase {
    Q_OBJECT
public:
    CEditLyricsDlg(CTessavoxApp& app, QWidget* parent);
};
