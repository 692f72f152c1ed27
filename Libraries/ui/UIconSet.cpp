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

QString ActionImageName(int index) {
    static const std::pair<int, const char*> names[] = {
    {0, "Img_View"},
    {1, "Img_Chart"},
    {2, "Img_Save_Dravo"},
    {3, "Img_Export_XML"},
    {4, "Img_Export_HTML"},
    {5, "Img_Export_XLS"},
    {14, "Img_Add_View"},
    {15, "Img_Tree_Down"},
    {16, "Img_Tree_Up"},
    {17, "Img_Tree_Delete"},
    {18, "Img_Add_Chart"},
    {19, "Img_Import_PivotCube"},
    {20, "Img_Import_Dravo"},
    {21, "Img_View_Default"},
    {22, "Img_Chart_Default"},
    {23, "Img_Mark_Default"},
    {24, "Img_Decimals_More"},
    {25, "Img_Decimals_Less"},
    {26, "Img_Hide_Empty"},
    {27, "Img_Show_Empty"},
    {28, "Img_Transpose"}
    };
    for (const auto& [i, name] : names)
        if (i == index) return QString::fromLatin1(name);
    return {};
}

QImage ActionImage(int index) {
    const QString name = ActionImageName(index);
    return name.isEmpty() ? QImage() : StandardImage(name);
}
