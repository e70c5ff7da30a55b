#include "platform/DialogParts.h"

#include "platform/RecipeStyle.h"

#include <QCheckBox>
#include <QDialog>
#include <QFrame>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>

void SmallDialog::reject()
{
    done(QDialog::Accepted);
}

void SmallDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    FormActivate();
    if (m_focusOnShow)
        m_focusOnShow->setFocus();
}

namespace DialogParts {

void setUp(QDialog *dialog, const char *objectName, const QString &caption, int pixelSize)
{
    dialog->setObjectName(QLatin1String(objectName));
    dialog->setWindowTitle(caption);
    dialog->setFont(RecipeStyle::sansSerif(pixelSize));
}

void setFixedFrame(QDialog *dialog, const QSize &size, bool systemMenu)
{
    Qt::WindowFlags flags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
        | Qt::MSWindowsFixedSizeDialogHint;
    if (systemMenu)
        flags |= Qt::WindowSystemMenuHint;
    dialog->setWindowFlags(flags);
    dialog->setFixedSize(size);
}

void setNavy(QWidget *widget, std::initializer_list<QPalette::ColorRole> roles)
{
    const QColor navy = RecipeStyle::colorFromValue(RecipeStyle::Navy);
    QPalette palette = widget->palette();
    for (const QPalette::ColorRole role : roles)
        RecipeStyle::setEnabledColor(palette, role, navy);
    widget->setPalette(palette);
}

QFrame *bevel(QWidget *parent, const QRect &geometry)
{
    auto *frame = new QFrame(parent);
    frame->setObjectName(QStringLiteral("Bevel1"));
    frame->setFrameShape(QFrame::Box);
    frame->setFrameShadow(QFrame::Sunken);
    frame->setGeometry(geometry);
    return frame;
}

QLabel *label(QWidget *parent, const char *objectName, const QString &text, const QRect &geometry)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(objectName));
    label->setGeometry(geometry);
    return label;
}

QLabel *centredLabel(QWidget *parent, const char *objectName, const QRect &geometry, const QString &text,
                     Qt::Alignment vertical)
{
    QLabel *centred = label(parent, objectName, text, geometry);
    centred->setAlignment(Qt::AlignHCenter | vertical);
    return centred;
}

QPushButton *bitButton(QWidget *parent, const char *objectName, const QString &caption, const QString &iconName,
                       const QRect &geometry, Enter enter, const std::function<void()> &onClick)
{
    auto *button = new QPushButton(caption, parent);
    if (!iconName.isEmpty())
        button->setIcon(QIcon(QStringLiteral(":/pictures/dialogs/%1.svg").arg(iconName)));
    button->setObjectName(QLatin1String(objectName));
    button->setGeometry(geometry);
    button->setDefault(enter == Enter::Default);
    button->setAutoDefault(enter != Enter::Never);
    if (onClick)
        QObject::connect(button, &QPushButton::clicked, button, onClick);
    return button;
}

QCheckBox *checkBox(QWidget *parent, const char *objectName, const QRect &geometry)
{
    auto *box = new QCheckBox(parent);
    box->setObjectName(QLatin1String(objectName));
    box->setGeometry(geometry);
    return box;
}

QString quoted(const QString &name)
{
    return QLatin1Char('"') + name + QLatin1Char('"');
}

} // namespace DialogParts

void AnswerDialog::addAnswers(const Answer &ok, const Answer &cancel)
{
    BitBtnOK = DialogParts::bitButton(this, "BitBtnOK", ok.caption, ok.iconName, ok.geometry, ok.enter,
                                      [this] { BitBtnOKClick(); });
    BitBtnCancel = DialogParts::bitButton(this, "BitBtnCancel", cancel.caption, cancel.iconName, cancel.geometry,
                                          cancel.enter, [this] { BitBtnCancelClick(); });
}
