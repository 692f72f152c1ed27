#pragma once
// Reading of the cube's owned object lists (axes, values): only the expected
// class may read itself, and each item learns its owner before it reads.

#include "XClasses.h"

#include <memory>
#include <vector>

template <class TItem, class TOwner>
void ReadOwnedObjectList(TVirtualReader& reader, TOwner* owner, std::vector<std::unique_ptr<TItem>>& items,
                         const char* ownerClassName) {
    items.clear();
    ReadObjectList(
        reader,
        [owner, ownerClassName](TVirtualConstructedObject* item) {
            // Checked before the item reads itself: another class never gets to read here.
            auto* typed = dynamic_cast<TItem*>(item);
            if (!typed)
                throw EFilerException(QStringLiteral("%1.ReadFromFiler : unexpected item class %2")
                                          .arg(QLatin1String(ownerClassName), item->ClassName()));
            typed->Owner = owner;
        },
        [&items](std::unique_ptr<TObject> item) {
            auto* typed = dynamic_cast<TItem*>(item.get());
            if (!typed) RaiseBrokenObjectList();
            item.release();
            items.emplace_back(typed);
        });
}
