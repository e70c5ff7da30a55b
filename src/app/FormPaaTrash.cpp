// Showing in the main window what the trash gave back.

#include "app/FormPaa.h"

#include "app/DataBoundList.h"
#include "store/PackTable.h"
#include "store/RecipeSchema.h"

namespace {

// Makes the row named `name` the current row of the table's view.
bool selectByName(TPackTable *table, const QString &name)
{
    if (!table->Active() || name.isEmpty())
        return false;
    const int count = table->recordCount();
    constexpr int Chunk = 512;
    for (int from = 1; from <= count; from += Chunk) {
        const int at = int(table->fieldTexts(RecipeSchema::FieldName::Nimi, from, Chunk).indexOf(name));
        if (at >= 0) {
            table->setRecNo(from + at);
            return true;
        }
    }
    return false;
}

} // namespace

void TFormPaa::showRestored(const QString &mainGroup, const QString &subgroup, const QString &recipe)
{
    runGuarded([&] {
        for (DataBoundList *list : {m_listPaa, m_listAla, m_listResepti})
            list->markDirty();
        // Setting the filter again reads the rows anew.
        m_table1->setFilter(m_table1->Filter());
        if (selectByName(m_table1, mainGroup)) {
            DBLLBoxPaaryhmaClick();
            if (selectByName(m_table2, subgroup)) {
                DBLLBoxAlaryhmaClick();
                if (selectByName(m_table3, recipe))
                    DBLLBoxListaClick();
            }
        }
        refreshLists();
    });
}
