// The program's images: the packed resource opened once, images decoded on
// first use and kept for the most recently used names.
#include "UIconSet.h"

#include "USFSObject.h"

#include <QFile>

#include <list>
#include <memory>
#include <mutex>
#include <utility>

namespace {

struct IconSet {
    std::unique_ptr<TSFSObject> container;
    std::list<std::pair<QString, QImage>> recent;   // most recent first
    std::mutex lock;

    IconSet() {
        QFile resource(QStringLiteral(":/SFS_ICONS"));
        if (!resource.open(QIODevice::ReadOnly)) return;
        try {
            container = TSFSObject::CreateForReadingString(resource.readAll());
        } catch (const Exception&) {
            container.reset();   // a damaged resource gives no images, never a crash
        }
    }

    QImage image(const QString& name) {
        const QString key = name.toLower();
        const std::lock_guard<std::mutex> guard(lock);
        for (auto it = recent.begin(); it != recent.end(); ++it)
            if (it->first == key) {
                recent.splice(recent.begin(), recent, it);
                return it->second;
            }
        QImage decoded;
        if (container) try {
                if (const TSFSFile* entry = container->FindFile(name)) decoded = QImage::fromData(entry->GetData());
            } catch (const Exception&) {
                decoded = QImage();
            }
        recent.emplace_front(key, decoded);
        if (int(recent.size()) > IconCacheSize) recent.pop_back();
        return decoded;
    }
};

IconSet& iconSet() {
    static IconSet set;
    return set;
}

} // namespace

QImage StandardImage(const QString& name) { return iconSet().image(name); }
