#include "app/views/CNudgeLyricsDlg.h"

#include "app/CTessavoxApp.h"
#include "app/CommandIds.h"
#include "project/MSongSettings.h"

CNudgeLyricsDlg::CNudgeLyricsDlg(CTessavoxApp& app, QWidget* parent) : CViewBase(app, ViewId::AdjustLyrics, parent)
{
    setObjectName("CNudgeLyricsDlg");
    AddViewer();
    App().Song().GenerateKaraokeLineList(true, false);
    ShowLyricPage(0);
}
