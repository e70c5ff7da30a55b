#include "recipe/FontDialog.h"

#include "platform/RecipeStyle.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QPixmap>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

struct NamedColor
{
    const char *name;
    int value;
};

const NamedColor colors[] = {
    {"Black", 0x000000},  {"Maroon", 0x000080},  {"Green", 0x008000}, {"Olive", 0x008080},
    {"Navy", 0x800000},   {"Purple", 0x800080},  {"Teal", 0x808000},  {"Gray", 0x808080},
    {"Silver", 0xC0C0C0}, {"Red", 0x0000FF},     {"Lime", 0x00FF00},  {"Yellow", 0x00FFFF},
    {"Blue", 0xFF0000},   {"Fuchsia", 0xFF00FF}, {"Aqua", 0xFFFF00},  {"White", 0xFFFFFF},
};

} // namespace

TFontDialog::TFontDialog(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FontDialog"));
    setWindowTitle(QStringLiteral("Font"));

    m_name = new QFontComboBox(this);
    m_name->setObjectName(QStringLiteral("FontName"));
    m_size = new QSpinBox(this);
    m_size->setObjectName(QStringLiteral("FontSize"));
    m_size->setRange(1, 72);
    m_color = new QComboBox(this);
    m_color->setObjectName(QStringLiteral("FontColor"));
    for (const NamedColor &c : colors) {
        QPixmap swatch(16, 16);
        swatch.fill(RecipeStyle::colorFromValue(c.value));
        m_color->addItem(QIcon(swatch), QLatin1String(c.name), c.value);
    }
    m_sample = new QLabel(QStringLiteral("AaBbYyZz"), this);
    m_sample->setObjectName(QStringLiteral("Sample"));
    m_sample->setMinimumSize(220, 50);
    m_sample->setAlignment(Qt::AlignCenter);
    m_sample->setFrameShape(QFrame::StyledPanel);

    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("&Font:"), m_name);
    form->addRow(QStringLiteral("&Size:"), m_size);
    form->addRow(QStringLiteral("&Color:"), m_color);
    form->addRow(QStringLiteral("Sample:"), m_sample);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->setObjectName(QStringLiteral("Buttons"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);

    connect(m_name, &QFontComboBox::currentFontChanged, this, &TFontDialog::updateSample);
    connect(m_size, qOverload<int>(&QSpinBox::valueChanged), this, &TFontDialog::updateSample);
    connect(m_color, qOverload<int>(&QComboBox::currentIndexChanged), this, &TFontDialog::updateSample);
}

QList<int> TFontDialog::standardColors()
{
    QList<int> values;
    for (const NamedColor &c : colors)
        values.append(c.value);
    return values;
}

void TFontDialog::setCurrentFont(const QFont &font, const QColor &color)
{
    m_name->setCurrentFont(font);
    // The combo box lists only installed families; the name asked for is kept
    // even when the system substitutes another.
    m_name->setEditText(font.family());
    const int points = font.pointSize() > 0 ? font.pointSize() : qRound(font.pixelSize() * 72.0 / 96.0);
    m_size->setValue(points);
    const int value = RecipeStyle::valueFromColor(color);
    int index = m_color->findData(value);
    if (index < 0) {
        QPixmap swatch(16, 16);
        swatch.fill(color);
        m_color->addItem(QIcon(swatch), QStringLiteral("Custom"), value);
        index = m_color->count() - 1;
    }
    m_color->setCurrentIndex(index);
    updateSample();
}

QFont TFontDialog::selectedFont() const
{
    QFont font(m_name->currentText().isEmpty() ? m_name->currentFont().family() : m_name->currentText());
    font.setPointSize(m_size->value());
    return font;
}

QColor TFontDialog::selectedColor() const
{
    return RecipeStyle::colorFromValue(m_color->currentData().toInt());
}

void TFontDialog::updateSample()
{
    m_sample->setFont(selectedFont());
    QPalette palette = m_sample->palette();
    palette.setColor(QPalette::WindowText, selectedColor());
    m_sample->setPalette(palette);
}
