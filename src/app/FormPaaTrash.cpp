// Showing in the main window what the trash gave back.

#include "app/FormPaa.h"

#include "app/DataBoundList.h"

void TFormPaa::showRestored(const QString &mainGroup, const QString &subgroup, const QString &recipe)
{
    runGuarded([&] {
        m_panes.markListsDirty();
        // The main groups are read anew, from the first.
        m_panes.listPaa->refresh();
        m_panes.listPaa->setCurrentRow(0);
        if (m_panes.listPaa->setCurrentName(mainGroup)) {
            DBLLBoxPaaryhmaClick();
            if (m_panes.listAla->setCurrentName(subgroup)) {
                DBLLBoxAlaryhmaClick();
                if (m_panes.listResepti->setCurrentName(recipe))
                    DBLLBoxListaClick();
            }
        }
        refreshLists();
    });
}
