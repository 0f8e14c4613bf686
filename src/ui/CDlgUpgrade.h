#pragma once

#include "control/UpgradePanelValues.h"

#include <QWidget>

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>

class QLineEdit;

namespace lorvena {

class CGradientProgressCtrl;
class CPngButton;

// The firmware upgrade panel, shown in the main window's right-hand area by
// the Upgrade tab: the package path with its "..." button, the progress
// bar, the administrator's name and password, the Upgrade button and a
// note. It only shows and forwards; what the buttons do is decided by the
// controller behind the main window.
class CDlgUpgrade final : public QWidget {
    Q_OBJECT

public:
    // The panel's controls by their numeric ids.
    enum class Id : int {
        PasswordLabel = 1024,
        NoteLabel = 1025,
        Path = 1028,
        Progress = 1029,
        UserName = 1030,
        Password = 1031,
        PathLabel = 1032,
        Browse = 1033,
        StatusLabel = 1034,
        UserNameLabel = 1035,
        Upgrade = 1036,
        Note = 1037,
    };

    static constexpr int widthPixels = 250;
    static constexpr int heightPixels = 400;

    // `skinDirectory` holds "Browse.png" and "Upgrade.png"; it ends with a
    // separator.
    CDlgUpgrade(const QString& skinDirectory, QWidget* parent);

    QWidget* control(Id id) const;
    CGradientProgressCtrl* progress() const { return progress_; }

    // "Load" and "show" of the three edits.
    UpgradeFields readFields() const;
    void writeFields(const UpgradeFields& fields);
    void showBar(const UpgradeBar& bar);
    void clearPassword();
    // Range 0..100 and position 0, keeping the colours and the percentage.
    void resetProgress();
    void focusUserName();

    // The open-file dialog of the "..." button; nothing when cancelled.
    std::optional<std::string> chooseFile();
    // How the file is chosen, given the dialog's owner and its filter in
    // Qt's form; an empty result is a cancel. Tests replace it.
    using FileChooser = std::function<QString(QWidget* owner, const QString& filter)>;
    void setFileChooser(FileChooser chooser) { fileChooser_ = std::move(chooser); }

    // "label|patterns|label|patterns|...||" as Qt's "label (patterns);;...".
    static QString qtFileFilter(std::string_view filter);

Q_SIGNALS:
    void browseClicked();
    void upgradeClicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createControls(const QString& skinDirectory);
    QLineEdit* edit(Id id) const;

    std::map<Id, QWidget*> controls_;
    CGradientProgressCtrl* progress_ = nullptr;
    FileChooser fileChooser_;
};

} // namespace lorvena
