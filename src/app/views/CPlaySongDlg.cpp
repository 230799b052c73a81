#include "app/views/CPlaySongDlg.h"

#include "app/CTessavoxApp.h"
#include "app/CommandIds.h"
#include "project/MSongSettings.h"

CPlaySongDlg::CPlaySongDlg(CTessavoxApp& app, QWidget* parent) : CViewBase(app, ViewId::PlayFinal, parent)
{
    setObjectName("CPlaySongDlg");
    AddViewer();
    App().Song().GenerateKaraokeLineList(true, false);
    ShowLyricPage(0);
}
