#include "app/views/CPlaceLyricsDlg.h"

#include "app/CTessavoxApp.h"
#include "app/CommandIds.h"
#include "project/MSongSettings.h"

CPlaceLyricsDlg::CPlaceLyricsDlg(CTessavoxApp& app, QWidget* parent) : CViewBase(app, ViewId::PlaceLyrics, parent)
{
    setObjectName("CPlaceLyricsDlg");
    AddViewer();
    App().Song().GenerateKaraokeLineList(true, false);
    ShowLyricPage(0);
}
