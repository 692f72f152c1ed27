// The "Langage" menu.
#include "ULanguageMenu.h"

#include "UMultiLang.h"

#include <QActionGroup>
#include <QMenu>

void BuildLanguageMenu(QMenu* parent) {
    parent->clear();
    auto* group = new QActionGroup(parent);
    group->setExclusive(true);
    for (const TAvailableLanguage& language : AvailableLanguages()) {
        QAction* item = parent->addAction(language.Name);
        item->setObjectName(QStringLiteral("MILang%1").arg(language.LanguageID));
        item->setData(language.LanguageID);
        item->setCheckable(true);
        item->setChecked(language.Current);
        group->addAction(item);
        const int id = language.LanguageID;
        QObject::connect(item, &QAction::triggered, parent, [id] { SetCurrentLanguage(id); });
    }
}
