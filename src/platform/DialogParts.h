#pragma once

#include <QDialog>
#include <QPalette>
#include <QRect>
#include <QString>

#include <functional>
#include <initializer_list>

class QCheckBox;
class QFrame;
class QLabel;
class QPushButton;
class QShowEvent;
class QSize;
class QWidget;

// A small dialog of the program. Each time the program shows it (not when the
// window system shows it again) it runs its activation steps, FormActivate(),
// and then gives the focus to the widget named by setFocusOnShow(). Escape and
// the frame's close box close it with the Accepted result, as its buttons do,
// unless the dialog gives them a meaning of its own.
class SmallDialog : public QDialog
{
public:
    using QDialog::QDialog;

    virtual void FormActivate() { }
    void reject() override;

protected:
    void setFocusOnShow(QWidget *widget) { m_focusOnShow = widget; }
    void showEvent(QShowEvent *event) override;

private:
    QWidget *m_focusOnShow = nullptr;
};

// The parts the program's small dialogs are built of (the name, deletion,
// exit, about, tip, quick guide, portion and save-changes dialogs), so that
// they share one look: "MS Sans Serif", navy text, a sunken bevel, centred
// lines and buttons with a picture.
namespace DialogParts {

// Names the dialog, sets its caption and its font ("MS Sans Serif" at
// `pixelSize`); the controls take the font from it.
void setUp(QDialog *dialog, const char *objectName, const QString &caption, int pixelSize);

// A frame of a fixed `size` with a caption and a close box only, and the
// window menu when `systemMenu` is true.
void setFixedFrame(QDialog *dialog, const QSize &size, bool systemMenu);

// Navy for `roles` of the enabled controls of `widget` and its children; a
// disabled control keeps the style's disabled colour.
void setNavy(QWidget *widget, std::initializer_list<QPalette::ColorRole> roles);

// The sunken frame around a dialog's contents, named "Bevel1".
QFrame *bevel(QWidget *parent, const QRect &geometry);

// A label with its text at the left.
QLabel *label(QWidget *parent, const char *objectName, const QString &text, const QRect &geometry);

// A label whose text stands centred in `geometry`: across, and down as
// `vertical` says.
QLabel *centredLabel(QWidget *parent, const char *objectName, const QRect &geometry, const QString &text = QString(),
                     Qt::Alignment vertical = Qt::AlignVCenter);

// Which button Enter presses.
enum class Enter {
    Default, // this one, wherever the focus is (unless on another button that takes Enter)
    WhenFocused, // this one while it has the focus
    Never // never this one; Enter goes to the default button
};

// A push button with a caption and (when `iconName` is not empty) a picture of
// the dialog pictures, e.g. "ok" for ":/pictures/dialogs/ok.svg"; a click on
// it runs `onClick`.
QPushButton *bitButton(QWidget *parent, const char *objectName, const QString &caption, const QString &iconName,
                       const QRect &geometry, Enter enter, const std::function<void()> &onClick = {});

// A check box without text (its label stands beside it).
QCheckBox *checkBox(QWidget *parent, const char *objectName, const QRect &geometry);

// `name` in straight double quotes, as the dialogs show the names they ask about.
QString quoted(const QString &name);

} // namespace DialogParts

// A small dialog answered with one of two buttons in a sunken bevel's frame:
// BitBtnOK says yes (or OK), BitBtnCancel no (or cancel), each running its
// click slot.
class AnswerDialog : public SmallDialog
{
public:
    using SmallDialog::SmallDialog;

    QFrame *Bevel1 = nullptr;
    QPushButton *BitBtnOK = nullptr;
    QPushButton *BitBtnCancel = nullptr;

    virtual void BitBtnOKClick() = 0;
    virtual void BitBtnCancelClick() = 0;

protected:
    struct Answer
    {
        QString caption;
        QString iconName;
        QRect geometry;
        DialogParts::Enter enter;
    };
    // Makes BitBtnOK and then BitBtnCancel.
    void addAnswers(const Answer &ok, const Answer &cancel);
};
