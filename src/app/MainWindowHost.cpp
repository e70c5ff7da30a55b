#include "app/DataBoundList.h"
#include "app/FormPaa.h"
#include "app/FormRuokalista.h"
#include "app/Windows.h"
#include "recipe/RecipeWindowHost.h"
#include "store/book/Book.h"

#include <QAction>
#include <QGuiApplication>
#include <QMenu>
#include <QScreen>

namespace {

// The recipe window's view of the program's main window.
class MainWindowHost : public RecipeWindowHost
{
public:
    explicit MainWindowHost(TFormPaa *paa) : m_paa(paa) { }

    SharedState &state() override { return m_paa->state(); }
    RecipeBook::Book *book() override { return m_paa->book(); }
    qint64 shownRecipeId() override { return m_paa->shownRecipeId(); }
    qint64 selectedRecipeId() override { return m_paa->DBLLBoxLista()->currentId(); }
    void applyFullLayout() override { m_paa->ApplyFullLayout(); }
    void applySmallLayout() override { m_paa->ApplySmallLayout(); }
    void setWindowMenuEnabled(bool enabled) override
    {
        if (QMenu *menu = m_paa->MenuIkkuna())
            menu->setEnabled(enabled);
    }
    void centreMainWindow() override
    {
        if (const QScreen *screen = QGuiApplication::primaryScreen()) {
            const QRect area = screen->availableGeometry();
            m_paa->move(area.center() - QPoint(m_paa->width() / 2, m_paa->height() / 2));
        }
    }
    QPlainTextEdit *descriptionMemo() override { return m_paa->MemoKuvaus(); }
    void showMainWindow() override { m_paa->show(); }
    bool mainAutorunChecked() override { return m_paa->MenuAutorun() && m_paa->MenuAutorun()->isChecked(); }
    void setMainAutorunChecked(bool checked) override
    {
        if (QAction *item = m_paa->MenuAutorun())
            item->setChecked(checked);
    }
    void setAutoRun(bool on) override { m_paa->setStartAtLogin(on); }
    void runExitCommand() override { m_paa->MenuSuljeClick(); }
    bool endRequested() override { return m_paa->endRequested(); }
    void SaveDifficultyAndTime() override { m_paa->SaveDifficultyAndTime(); }
    void addShownRecipeToMenu(QWidget *parent) override
    {
        addRecipeToMenu(parent, m_paa->book(), m_paa->shownRecipeId());
    }
    TFormAbout *aboutWindow() override { return windows().FormAbout; }

private:
    TFormPaa *m_paa;
};

} // namespace

std::unique_ptr<RecipeWindowHost> makeMainWindowHost(TFormPaa *mainWindow)
{
    return std::make_unique<MainWindowHost>(mainWindow);
}
