#pragma once

#include <QDialog>

struct RecipeFlags;
struct SharedState;
class QCheckBox;
class QLabel;
class QPushButton;

// The Yes/No question asked before a change is stored or dropped, or a
// recipe's picture deleted. The case comes from the flags the caller set, and
// the answer goes back through the same flags:
//   Yes    SaveDescription := DescriptionModified; every other flag as it was.
//   No     SaveRecipeEdits, ChangePortionMode, DeletePictureConfirmed and
//          DescriptionModified := false.
//   Escape and the frame leave the question unanswered, and never destroy
//          anything: the dialog result is Rejected (Yes and No give
//          Accepted), DeletePictureConfirmed := false (the picture stays),
//          and every other flag stays as it was. A caller of a save-changes
//          case then cancels its command, keeping the edits, or, where it
//          cannot be cancelled, stores them as Yes would.
// Each case's "Don't show this question again." box writes its setting true at
// its first click, ticking or unticking. Created for each question and freed.
class TFormMuuttunut : public QDialog
{
    Q_OBJECT

public:
    // `flags` may be null for the main window's questions (description,
    // picture); the recipe cases then do not hold.
    TFormMuuttunut(SharedState &state, RecipeFlags *flags, QWidget *parent = nullptr);
    Q_DISABLE_COPY_MOVE(TFormMuuttunut)

    QLabel *Label1() const { return m_label1; }
    QLabel *Label2() const { return m_label2; }
    QLabel *Label3() const { return m_label3; }
    QCheckBox *CheckBoxKuva() const { return m_checkBoxKuva; }
    QCheckBox *CheckBoxKuvaus() const { return m_checkBoxKuvaus; }
    QCheckBox *CheckBoxMuutos() const { return m_checkBoxMuutos; }
    QCheckBox *CheckBoxAnnos() const { return m_checkBoxAnnos; }
    QPushButton *BitBtn1() const { return m_bitBtn1; }
    QPushButton *BitBtn2() const { return m_bitBtn2; }

    // Escape and the frame: the question is left unanswered (see above).
    void reject() override;

public Q_SLOTS:
    void FormActivate();
    void BitBtn1Click();
    void BitBtn2Click();
    void CheckBoxKuvaClick();
    void CheckBoxKuvausClick();
    void CheckBoxMuutosClick();
    void CheckBoxAnnosClick();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void setCase(const QString &caption, const QString &line1, const QString &line2, const QString &line3,
                 QCheckBox *box);
    static void writeSwitch(const char *name);

    SharedState &m_state;
    RecipeFlags *m_flags;
    QLabel *m_label1 = nullptr;
    QLabel *m_label2 = nullptr;
    QLabel *m_label3 = nullptr;
    QLabel *m_label4 = nullptr;
    QCheckBox *m_checkBoxKuva = nullptr;
    QCheckBox *m_checkBoxKuvaus = nullptr;
    QCheckBox *m_checkBoxMuutos = nullptr;
    QCheckBox *m_checkBoxAnnos = nullptr;
    QPushButton *m_bitBtn1 = nullptr;
    QPushButton *m_bitBtn2 = nullptr;
};
