#pragma once

#include <QColor>
#include <QDialog>
#include <QFont>

class QComboBox;
class QFontComboBox;
class QLabel;
class QSpinBox;

// The recipe font dialog: font name, size in points and one of the sixteen
// standard colours, with a sample. OK accepts, Cancel rejects.
class TFontDialog : public QDialog
{
    Q_OBJECT

public:
    explicit TFontDialog(QWidget *parent = nullptr);

    void setCurrentFont(const QFont &font, const QColor &color);
    QFont selectedFont() const;
    QColor selectedColor() const;

    QFontComboBox *FontName() const { return m_name; }
    QSpinBox *FontSize() const { return m_size; }
    QComboBox *FontColor() const { return m_color; }

    // The sixteen colours offered, as old integer values.
    static QList<int> standardColors();

private:
    void updateSample();

    QFontComboBox *m_name = nullptr;
    QSpinBox *m_size = nullptr;
    QComboBox *m_color = nullptr;
    QLabel *m_sample = nullptr;
};
