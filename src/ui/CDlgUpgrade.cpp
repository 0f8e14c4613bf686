#include "ui/CDlgUpgrade.h"

#include "controls/CColorStatic.h"
#include "controls/CGradientProgressCtrl.h"
#include "controls/CPngButton.h"
#include "ui/WindowFont.h"

#include <QFileDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>

#include <utility>

namespace lorvena {

namespace {

using enum CDlgUpgrade::Id;

const QColor panelBackground(248, 248, 248);

// The panel is 250 x 400 pixels. Its controls stand in one column with a
// 12-pixel margin on both sides, each label right above its control:
//
//   y   8  "Ścieżka"
//   y  30  path edit, "..." button to its right
//   y  64  "Stan"
//   y  86  progress bar
//   y 114  "Użytkownik"
//   y 136  user name edit
//   y 170  "Hasło "
//   y 192  password edit
//   y 230  Upgrade button, centred
//   y 282  "Informacja"
//   y 304  the note, to 8 pixels above the bottom
//
// The two skin buttons take their size from their images, which are drawn
// to the main window's scale: "..." is 105 x 26 and sets the height of the
// path row, Upgrade is as wide as the window's "Zmiana IP" button.
constexpr int margin = 12;
constexpr int columnWidth = CDlgUpgrade::widthPixels - 2 * margin;
constexpr int labelHeight = 20;
constexpr int editHeight = 26;
constexpr int browseWidth = 105;
constexpr int browseGap = 6;

struct Placement {
    CDlgUpgrade::Id id;
    QRect place;
};

const Placement placements[] = {
    {PathLabel, {margin, 8, columnWidth, labelHeight}},
    {Path, {margin, 30, columnWidth - browseWidth - browseGap, editHeight}},
    {Browse, {CDlgUpgrade::widthPixels - margin - browseWidth, 30, browseWidth, editHeight}},
    {StatusLabel, {margin, 64, columnWidth, labelHeight}},
    {Progress, {margin, 86, columnWidth, 20}},
    {UserNameLabel, {margin, 114, columnWidth, labelHeight}},
    {UserName, {margin, 136, columnWidth, editHeight}},
    {PasswordLabel, {margin, 170, columnWidth, labelHeight}},
    {Password, {margin, 192, columnWidth, editHeight}},
    // Only the top is kept: the image sizes the button, then it is centred.
    {Upgrade, {0, 230, 0, 0}},
    {NoteLabel, {margin, 282, columnWidth, labelHeight}},
    {Note, {margin, 304, columnWidth, CDlgUpgrade::heightPixels - 8 - 304}},
};

struct LabelText {
    CDlgUpgrade::Id id;
    const char* text;
};

const LabelText labels[] = {
    {PathLabel, "Ścieżka"},
    {StatusLabel, "Stan"},
    {UserNameLabel, "Użytkownik"},
    {PasswordLabel, "Hasło "},
    {NoteLabel, "Informacja"},
};

constexpr const char* noteText =
    "Aktualizacja trwa od 1 do 10 minut, nie wolno wyłączać zasilania. Po aktualizacji nastąpi automatyczny restart.";

// The controls that carry the panel's text font; the bar keeps the panel's
// own smaller one for its percentage.
constexpr CDlgUpgrade::Id fontControls[] = {
    PathLabel, Path, StatusLabel, UserNameLabel, UserName, PasswordLabel, Password, NoteLabel, Note};

bool isSwallowedKey(const QEvent* event)
{
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::ShortcutOverride)
        return false;
    switch (static_cast<const QKeyEvent*>(event)->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
    case Qt::Key_Space:
        return true;
    default:
        return false;
    }
}

QString qt(const std::string& text)
{
    return QString::fromStdString(text);
}

} // namespace

CDlgUpgrade::CDlgUpgrade(const QString& skinDirectory, QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("upgradePanel"));
    resize(widthPixels, heightPixels);
    // The bar's percentage is the only text in the dialog's own font, 8 pt.
    QFont panelFont(QStringLiteral("Verdana"));
    panelFont.setPixelSize(11);
    setFont(panelFont);
    createControls(skinDirectory);
    fileChooser_ = [](QWidget* owner, const QString& filter) {
        // No starting directory and no change of the working directory:
        // the dialog opens where the program runs and leaves it there.
        return QFileDialog::getOpenFileName(owner, QString(), QString(), filter);
    };
}

void CDlgUpgrade::createControls(const QString& skinDirectory)
{
    for (const LabelText& label : labels) {
        auto* text = new CColorStatic(this);
        text->setTextColour(Qt::black);
        text->setTransparent(true);
        text->setText(QString::fromUtf8(label.text));
        controls_[label.id] = text;
    }

    controls_[Path] = new QLineEdit(this);
    controls_[UserName] = new QLineEdit(this);
    auto* password = new QLineEdit(this);
    password->setEchoMode(QLineEdit::Password);
    controls_[Password] = password;

    progress_ = new CGradientProgressCtrl(this);
    controls_[Progress] = progress_;
    showBar(UpgradeBar::idle());

    auto* note = new QPlainTextEdit(QString::fromUtf8(noteText), this);
    note->setReadOnly(true);
    note->setEnabled(false);
    controls_[Note] = note;

    auto* browse = new CPngButton(this);
    browse->setText(QStringLiteral("..."));
    controls_[Browse] = browse;
    auto* upgrade = new CPngButton(this);
    upgrade->setText(QStringLiteral("Upgrade"));
    controls_[Upgrade] = upgrade;
    // Their captions are pictures: the names say what the pictures say.
    browse->setAccessibleName(QStringLiteral("Przeglądaj..."));
    upgrade->setAccessibleName(QStringLiteral("Aktualizuj"));
    // Space never presses them (see the key filter below), so Tab does not
    // offer them either.
    browse->setFocusPolicy(Qt::NoFocus);
    upgrade->setFocusPolicy(Qt::NoFocus);
    connect(browse, &QAbstractButton::clicked, this, &CDlgUpgrade::browseClicked);
    connect(upgrade, &QAbstractButton::clicked, this, &CDlgUpgrade::upgradeClicked);

    for (const Placement& placement : placements) {
        QWidget* widget = controls_.at(placement.id);
        widget->setGeometry(placement.place);
        widget->setObjectName(QStringLiteral("upgradeControl%1").arg(static_cast<int>(placement.id)));
    }
    // Each field is read by its label's text.
    for (auto [label, field] : {std::pair {PathLabel, Path}, {StatusLabel, Progress}, {UserNameLabel, UserName},
             {PasswordLabel, Password}, {NoteLabel, Note}})
        static_cast<QLabel*>(controls_.at(label))->setBuddy(controls_.at(field));
    const QFont textFont = windowTextFont();
    for (Id id : fontControls)
        controls_.at(id)->setFont(textFont);

    upgrade->setImage(skinDirectory + QStringLiteral("Upgrade.png"));
    browse->setImage(skinDirectory + QStringLiteral("Browse.png"));
    upgrade->move((widthPixels - upgrade->width()) / 2, upgrade->y());

    writeFields(UpgradeFields {});

    // Enter, Escape and Space reach no control of the panel, nor the main
    // window's shortcuts behind it: they must neither press the buttons
    // nor type into the edits.
    installEventFilter(this);
    for (QWidget* child : findChildren<QWidget*>())
        child->installEventFilter(this);
}

QWidget* CDlgUpgrade::control(Id id) const
{
    auto found = controls_.find(id);
    return found == controls_.end() ? nullptr : found->second;
}

QLineEdit* CDlgUpgrade::edit(Id id) const
{
    return static_cast<QLineEdit*>(controls_.at(id));
}

UpgradeFields CDlgUpgrade::readFields() const
{
    UpgradeFields fields;
    fields.path = edit(Path)->text().toStdString();
    fields.userName = edit(UserName)->text().toStdString();
    fields.password = edit(Password)->text().toStdString();
    return fields;
}

void CDlgUpgrade::writeFields(const UpgradeFields& fields)
{
    // Rewriting an edit with its own text would move its caret to the end.
    auto show = [](QLineEdit* target, const std::string& text) {
        if (target->text() != qt(text))
            target->setText(qt(text));
    };
    show(edit(Path), fields.path);
    show(edit(UserName), fields.userName);
    show(edit(Password), fields.password);
}

void CDlgUpgrade::showBar(const UpgradeBar& bar)
{
    if (bar.running) {
        progress_->ShowPercent(true);
        progress_->SetStartColour(QColor(0, 255, 0));
        progress_->SetEndColour(QColor(0, 0, 255));
    } else {
        progress_->ShowPercent(false);
        progress_->SetStartColour(QColor(255, 255, 255));
        progress_->SetEndColour(QColor(240, 240, 240));
        progress_->SetRange(0, 100);
    }
    progress_->SetPosition(bar.position);
}

void CDlgUpgrade::clearPassword()
{
    edit(Password)->clear();
}

void CDlgUpgrade::resetProgress()
{
    progress_->SetRange(0, 100);
    progress_->SetPosition(0);
}

void CDlgUpgrade::focusUserName()
{
    edit(UserName)->setFocus();
}

std::optional<std::string> CDlgUpgrade::chooseFile()
{
    QString chosen = fileChooser_(this, qtFileFilter(upgradeFileFilter));
    if (chosen.isEmpty())
        return std::nullopt;
    return chosen.toStdString();
}

QString CDlgUpgrade::qtFileFilter(std::string_view filter)
{
    const QStringList parts = QString::fromUtf8(filter.data(), static_cast<qsizetype>(filter.size())).split(u'|');
    QStringList entries;
    // Pairs of label and patterns, up to the empty label of the closing "||";
    // a label without patterns ends the list too.
    for (qsizetype i = 0; i + 1 < parts.size() && !parts[i].isEmpty(); i += 2) {
        QStringList patterns = parts[i + 1].split(u';', Qt::SkipEmptyParts);
        if (patterns.isEmpty())
            break;
        QString label = parts[i];
        // The labels name their patterns in the form the filter came in;
        // they are named again below in Qt's.
        qsizetype opening = label.lastIndexOf(u'(');
        if (label.endsWith(u')') && opening >= 0)
            label = label.left(opening).trimmed();
        // "*.*" means every file where the filter comes from; here it would
        // leave out the names without a dot.
        for (QString& pattern : patterns) {
            if (pattern == u"*.*")
                pattern = QStringLiteral("*");
        }
        entries << QStringLiteral("%1 (%2)").arg(label, patterns.join(u' '));
    }
    return entries.join(QStringLiteral(";;"));
}

void CDlgUpgrade::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), panelBackground);
}

bool CDlgUpgrade::eventFilter(QObject* watched, QEvent* event)
{
    if (isSwallowedKey(event)) {
        event->accept();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace lorvena
