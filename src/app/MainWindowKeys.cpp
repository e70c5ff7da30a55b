#include "app/MainWindowKeys.h"

#include "app/DataBoundList.h"
#include "app/FormPaa.h"
#include "app/MainWindowPanes.h"
#include "app/RecipeEditors.h"
#include "settings/FormPikaohje.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>

MainWindowKeys::MainWindowKeys(TFormPaa &window, MainWindowPanes &panes, RecipeEditors &editors)
    : QObject(&window), m_w(window), m_panes(panes), m_editors(editors)
{
}

bool MainWindowKeys::eventFilter(QObject *watched, QEvent *event)
{
    bool handled = false;
    if (event->type() == QEvent::MouseMove) {
        if (watched == m_panes.memoKuvaus->viewport()) {
            Dialogs::guard([this] {
                if (RecipeEditors::isPlaceholder(m_panes.memoKuvaus->toPlainText())) {
                    m_editors.emptyPlaceholderIfShown();
                    m_w.FocusPane(m_panes.memoKuvaus);
                }
                m_w.applyScreenWidthRule();
            });
        } else if (watched == m_panes.listPaa->viewport() || watched == m_panes.listAla->viewport()
                   || watched == m_panes.listResepti->viewport()) {
            Dialogs::guard([this] { m_w.applyScreenWidthRule(); });
        }
    } else if (event->type() == QEvent::MouseButtonPress) {
        if (watched == m_panes.memoKuvaus->viewport()) {
            Dialogs::guard([this] {
                m_w.FocusPane(m_panes.memoKuvaus);
                m_editors.emptyPlaceholderIfShown();
            });
        } else if (watched == m_panes.editAste || watched == m_panes.editAika) {
            Dialogs::guard([this, watched] {
                m_editors.settleDescription();
                m_w.FocusPane(static_cast<QWidget *>(watched));
            });
        }
    } else if (event->type() == QEvent::KeyPress && !m_forwardingKey) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_F1) {
            Dialogs::guard([this] { m_w.runCommand("MenuOhjeet"); });
            return true;
        }
        if (key->key() == Qt::Key_F2) {
            Dialogs::guard([this] { showQuickGuide(); });
            return true;
        }
        m_w.runGuarded([&] {
            if (watched == m_panes.listPaa || watched == m_panes.listAla || watched == m_panes.listResepti) {
                handled = keyPressInList(watched, key->key(), key->modifiers());
            } else if (watched == m_panes.memoKuvaus || watched == m_panes.editAste || watched == m_panes.editAika) {
                // Escape in an editor goes back to the recipe.
                if (key->key() == Qt::Key_Escape) {
                    m_w.DBLLBoxListaClick();
                    handled = true;
                }
            }
        });
        if (!handled && watched == m_panes.listResepti && !key->text().isEmpty()) {
            // Any character typed in the recipe list stores difficulty and time afterwards.
            m_forwardingKey = true;
            QCoreApplication::sendEvent(m_panes.listResepti, event);
            m_forwardingKey = false;
            m_w.runGuarded([this] { m_editors.saveDifficultyAndTime(); });
            return true;
        }
    }
    return handled || QObject::eventFilter(watched, event);
}

bool MainWindowKeys::keyPressInList(QObject *watched, int key, Qt::KeyboardModifiers modifiers)
{
    const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
    if (watched == m_panes.listPaa) {
        if (enter) {
            // Without a main group there is nothing to accept.
            if (m_panes.listPaa->currentId())
                m_w.DBLLBoxAlaryhmaClick();
            return true;
        }
        if (key == Qt::Key_Delete)
            return runCommand("MenuPoistaPaa");
    } else if (watched == m_panes.listAla) {
        if (key == Qt::Key_Escape)
            return moveTo(&TFormPaa::DBLLBoxPaaryhmaClick, m_panes.listPaa);
        if (enter)
            return moveTo(&TFormPaa::DBLLBoxListaClick, m_panes.listResepti);
        if (key == Qt::Key_Delete)
            return runCommand("MenuPoistaAla");
    } else if (watched == m_panes.listResepti) {
        if (enter && (modifiers & Qt::ControlModifier)) {
            m_w.FocusPane(m_panes.memoKuvaus);
            m_panes.memoKuvaus->selectAll();
            m_editors.emptyPlaceholderIfShown();
            return true;
        }
        if (enter)
            return runCommand("MenuNaytaResepti");
        if (key == Qt::Key_Escape)
            return moveTo(&TFormPaa::DBLLBoxAlaryhmaClick, m_panes.listAla);
        if (key == Qt::Key_Delete)
            return runCommand("MenuPoistaResepti");
    }
    return false;
}

bool MainWindowKeys::moveTo(void (TFormPaa::*click)(), QWidget *pane)
{
    (m_w.*click)();
    m_w.FocusPane(pane);
    return true;
}

bool MainWindowKeys::runCommand(const char *objectName)
{
    m_w.runCommand(objectName);
    return true;
}

void MainWindowKeys::showQuickGuide()
{
    TFormPikaohje guide(&m_w);
    guide.useMainWindowForm();
    Dialogs::exec(&guide, &m_w);
}
