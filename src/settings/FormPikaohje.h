#pragma once

#include "platform/DialogParts.h"

class QPlainTextEdit;

// The quick guide: the keyboard commands of the main window (Memo1) or of the
// recipe window (Memo2). The caller picks its form before showing it. Closes
// with the Accepted result.
class TFormPikaohje : public SmallDialog
{
    Q_OBJECT

public:
    explicit TFormPikaohje(QWidget *parent = nullptr);

    // The main window's keys: window 230 high, Memo1 shown (169 high),
    // Memo2 hidden, OK at 175.
    void useMainWindowForm();
    // The recipe window's key: window 150 high, Memo1 hidden (80 high),
    // Memo2 shown, OK at 95.
    void useRecipeWindowForm();

    static QStringList mainWindowLines();
    static QStringList recipeWindowLines();

    // Window sizes are outer sizes; the title bar and frame take this much.
    static constexpr int FrameWidth = 8;
    static constexpr int FrameHeight = 30;

    QPlainTextEdit *Memo1 = nullptr;
    QPlainTextEdit *Memo2 = nullptr;
    QPushButton *BitBtn1 = nullptr;

public slots:
    void BitBtn1Click();

private:
    void setWindowHeight(int height);
};
