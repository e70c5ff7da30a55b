// Showing in the main window what the trash gave back.

#include "app/FormPaa.h"

#include "app/DataBoundList.h"

void TFormPaa::showRestored(const QString &mainGroup, const QString &subgroup, const QString &recipe)
{
    runGuarded([&] {
        for (DataBoundList *list : {m_listPaa, m_listAla, m_listResepti})
            list->markDirty();
        // The main groups are read anew, from the first.
        m_listPaa->refresh();
        m_listPaa->setCurrentRow(0);
        if (m_listPaa->setCurrentName(mainGroup)) {
            DBLLBoxPaaryhmaClick();
            if (m_listAla->setCurrentName(subgroup)) {
                DBLLBoxAlaryhmaClick();
                if (m_listResepti->setCurrentName(recipe))
                    DBLLBoxListaClick();
            }
        }
        refreshLists();
    });
}
