#pragma once

#include "platform/DialogParts.h"

class QPlainTextEdit;

// The ingredient tip: how to lay out ingredient lines so that the portion
// calculator can scale them. A click on its box, ticking or unticking, stops
// the tip for good (the setting Aines) at once. Closes with the Accepted result.
class TFormAinesohje : public SmallDialog
{
    Q_OBJECT

public:
    explicit TFormAinesohje(QWidget *parent = nullptr);

    // The tip as it is shown, one line per entry.
    static QStringList tipLines();

    QPlainTextEdit *MemoAineetOhje = nullptr;
    QCheckBox *CheckBox1 = nullptr;
    QLabel *Label1 = nullptr;
    QPushButton *BitBtn1 = nullptr;

public slots:
    void FormActivate() override;
    void CheckBox1Click();
    void BitBtn1Click();
};
