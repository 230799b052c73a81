#include "app/views/CEditLyricsDlg.h"

#include "app/CTessavoxApp.h"
#include "app/CommandIds.h"
#include "project/MSongSettings.h"

CEditLyricsDlg::CEditLyricsDlg(CTessavoxApp& app, QWidget* parent) : CViewBase(app, ViewId::EditLyrics, parent)
{
    setObjectName("CEditLyricsDlg");
    AddViewer();
    App().Song().GenerateKaraokeLineList(true, false);
    ShowLyricPage(0);
}
