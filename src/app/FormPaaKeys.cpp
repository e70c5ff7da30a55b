#include "app/FormPaa.h"

#include "app/DataBoundList.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>

// The main window's keys and pointer moves.

// ---- Keys and pointer moves ------------------------------------------------------------

void TFormPaa::applyScreenWidthRule()
{
    const bool wide = screenWidth() > 800;
    m_menuIkkuna->setEnabled(wide);
    setRecipeWindowMenuEnabled(wide);
    if (!wide)
        ApplySmallLayout();
}

bool TFormPaa::eventFilter(QObject *watched, QEvent *event)
{
    bool handled = false;
    if (event->type() == QEvent::MouseMove) {
        if (watched == m_panes.memoKuvaus->viewport()) {
            Dialogs::guard([this] {
                // MemoKuvausMouseMove
                if (isPlaceholder(m_panes.memoKuvaus->toPlainText())) {
                    emptyPlaceholderIfShown();
                    FocusPane(m_panes.memoKuvaus);
                }
                applyScreenWidthRule();
            });
        } else if (watched == m_panes.listPaa->viewport() || watched == m_panes.listAla->viewport()
                   || watched == m_panes.listResepti->viewport()) {
            Dialogs::guard([this] { applyScreenWidthRule(); });
        }
    } else if (event->type() == QEvent::MouseButtonPress) {
        if (watched == m_panes.memoKuvaus->viewport()) {
            Dialogs::guard([this] {
                // MemoKuvausClick
                FocusPane(m_panes.memoKuvaus);
                if (isPlaceholder(m_panes.memoKuvaus->toPlainText()))
                    emptyPlaceholderIfShown();
            });
        } else if (watched == m_panes.editAste || watched == m_panes.editAika) {
            Dialogs::guard([this, watched] {
                // DBEditAsteClick, DBEditAikaClick
                settleDescription();
                FocusPane(static_cast<QWidget *>(watched));
            });
        }
    } else if (event->type() == QEvent::KeyPress && !m_forwardingKey) {
        auto *key = static_cast<QKeyEvent *>(event);
        // The window sees keys before its controls.
        if (key->key() == Qt::Key_F1) {
            Dialogs::guard([this] { runCommand("MenuOhjeet"); });
            return true;
        }
        if (key->key() == Qt::Key_F2) {
            Dialogs::guard([this] { showQuickGuide(); });
            return true;
        }
        runGuarded([&] {
            if (watched == m_panes.listPaa || watched == m_panes.listAla || watched == m_panes.listResepti)
                handled = keyPressInList(watched, key->key(), key->modifiers());
            else if (watched == m_panes.memoKuvaus || watched == m_panes.editAste || watched == m_panes.editAika)
                handled = keyPressInEdit(watched, key->key());
        });
        if (!handled && watched == m_panes.listResepti && !key->text().isEmpty()) {
            // Any character typed in the recipe list stores difficulty and time afterwards.
            m_forwardingKey = true;
            QCoreApplication::sendEvent(m_panes.listResepti, event);
            m_forwardingKey = false;
            runGuarded([this] { SaveDifficultyAndTime(); });
            return true;
        }
    }
    return handled || QMainWindow::eventFilter(watched, event);
}

bool TFormPaa::keyPressInList(QObject *watched, int key, Qt::KeyboardModifiers modifiers)
{
    const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
    if (watched == m_panes.listPaa) {
        if (enter) {
            // Without a main group there is nothing to accept.
            if (m_panes.listPaa->currentId())
                DBLLBoxAlaryhmaClick();
            return true;
        }
        if (key == Qt::Key_Delete) {
            runCommand("MenuPoistaPaa");
            return true;
        }
    } else if (watched == m_panes.listAla) {
        if (key == Qt::Key_Escape) {
            DBLLBoxPaaryhmaClick();
            FocusPane(m_panes.listPaa);
            return true;
        }
        if (enter) {
            DBLLBoxListaClick();
            FocusPane(m_panes.listResepti);
            return true;
        }
        if (key == Qt::Key_Delete) {
            runCommand("MenuPoistaAla");
            return true;
        }
    } else if (watched == m_panes.listResepti) {
        if (enter && (modifiers & Qt::ControlModifier)) {
            FocusPane(m_panes.memoKuvaus);
            m_panes.memoKuvaus->selectAll();
            if (isPlaceholder(m_panes.memoKuvaus->toPlainText()))
                emptyPlaceholderIfShown();
            return true;
        }
        if (enter) {
            runCommand("MenuNaytaResepti");
            return true;
        }
        if (key == Qt::Key_Escape) {
            DBLLBoxAlaryhmaClick();
            FocusPane(m_panes.listAla);
            return true;
        }
        if (key == Qt::Key_Delete) {
            runCommand("MenuPoistaResepti");
            return true;
        }
    }
    return false;
}

bool TFormPaa::keyPressInEdit(QObject *watched, int key)
{
    Q_UNUSED(watched)
    if (key == Qt::Key_Escape) {
        DBLLBoxListaClick();
        return true;
    }
    return false;
}
