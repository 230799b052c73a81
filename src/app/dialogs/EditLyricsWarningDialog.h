#pragma once
#include <QDialog>
#include <functional>

class QLabel;
class QPushButton;
class QWidget;

// "Lyrics Already Placed": the modal notice shown before the Edit Lyrics view returns to a song
// whose lyrics are placed. It opens short, ending just below "More >>"; "More >>" shows the list
// of safe edits and "<< Less" hides it again.
class EditLyricsWarningDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr const char* kTitle = "Lyrics Already Placed";
    static constexpr const char* kMore = "More >>";
    static constexpr const char* kLess = "<< Less";

    explicit EditLyricsWarningDialog(QWidget* parent = nullptr);

    // Shows the notice modally (or hands it to the test hook).
    int Run();
    bool Expanded() const { return m_expanded; }
    QPushButton* MoreButton() const { return m_more; }
    // The height "More >>" adds.
    int ExtraHeight() const { return m_extraHeight; }

    // Tests see the notice instead of its being shown.
    using Hook = std::function<int(EditLyricsWarningDialog&)>;
    static void SetHookForTesting(Hook hook);

private:
    void ToggleMore();

    QPushButton* m_more = nullptr;
    QWidget* m_extra = nullptr;
    int m_extraHeight = 0;
    bool m_expanded = false;
};
