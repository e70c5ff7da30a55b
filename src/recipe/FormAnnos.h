#pragma once

#include <QDialog>

struct RecipeFlags;
struct SharedState;
namespace RecipeBook {
class Book;
}
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;

// What the portion dialog reaches in the windows around it: the shared state,
// the recipe window's flags, the book and the recipe it is about, the scaling
// pass, and the steps that follow a stored count. The recipe window provides
// it.
class PortionDialogContext
{
public:
    virtual ~PortionDialogContext() = default;
    virtual SharedState &sharedState() = 0;
    virtual RecipeFlags &recipeFlags() = 0;
    virtual RecipeBook::Book *book() = 0;
    // The recipe whose count and difficulty are entered (0 when none).
    virtual qint64 portionRecipeId() = 0;
    // The scaling pass for the new count (the text of EditAnnos). Stores the
    // rewritten lines and the count and clears CalculateMode; throws, storing
    // nothing, when a line cannot be scaled.
    virtual void ScaleIngredients(const QString &newCount) = 0;
    // The main window's step that stores edited difficulty and time.
    virtual void SaveDifficultyAndTime() = 0;
    // A count has been stored: Calculate and Change become available, Add not.
    virtual void portionCountStored() = 0;
};

// The modal dialog in which a portion count is entered, in one of four cases
// chosen by flags: Calculate (CalculateMode), Change (ChangePortionMode), Add
// (AddPortionMode) and a new recipe (RecipeMode, with difficulty and time).
// Created once at start; every opening empties the edits and recomputes the
// caption, the visible fields and the size. It always closes with the OK
// result: Cancel, Escape and the frame close it storing nothing.
class TFormAnnos : public QDialog
{
    Q_OBJECT

public:
    explicit TFormAnnos(PortionDialogContext *context = nullptr, QWidget *parent = nullptr);
    Q_DISABLE_COPY_MOVE(TFormAnnos)

    void setContext(PortionDialogContext *context) { m_context = context; }
    PortionDialogContext *context() const { return m_context; }

    QLineEdit *EditAnnos() const { return m_editAnnos; }
    QLineEdit *EditAste() const { return m_editAste; }
    QLineEdit *EditAika() const { return m_editAika; }
    QLabel *Label1() const { return m_label1; }
    QLabel *Label2() const { return m_label2; }
    QLabel *Label3() const { return m_label3; }
    QLabel *Label4() const { return m_label4; }
    QFrame *Bevel1() const { return m_bevel1; }
    QPushButton *BitBtnOK() const { return m_bitBtnOK; }
    QPushButton *BitBtnCancel() const { return m_bitBtnCancel; }

    // Escape and the frame close as Cancel does.
    void reject() override;

public Q_SLOTS:
    void FormActivate();
    void BitBtnOKClick();
    void BitBtnCancelClick();

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // EditAnnosKeyPress: true when the key is discarded.
    bool EditAnnosKeyPress(QKeyEvent *event);
    void okSteps();
    static int readCount(const QString &text);

    PortionDialogContext *m_context;
    QFrame *m_bevel1 = nullptr;
    QLabel *m_label1 = nullptr;
    QLabel *m_label2 = nullptr;
    QLabel *m_label3 = nullptr;
    QLabel *m_label4 = nullptr;
    QLineEdit *m_editAnnos = nullptr;
    QLineEdit *m_editAste = nullptr;
    QLineEdit *m_editAika = nullptr;
    QPushButton *m_bitBtnOK = nullptr;
    QPushButton *m_bitBtnCancel = nullptr;
};
