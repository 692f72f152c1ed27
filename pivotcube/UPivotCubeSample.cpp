// The synthetic sales cube behind "dravo generate", the demo sample and the benchmarks.
#include "UPivotCubeSample.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

// splitmix64: the same numbers on every platform and library.
class Random {
public:
    explicit Random(uint64_t seed) : FState(seed) {}
    uint64_t next() {
        uint64_t z = (FState += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    int below(int n) { return int((next() >> 11) % uint64_t(n)); }
    double unit() { return double(next() >> 11) * (1.0 / 9007199254740992.0); }

private:
    uint64_t FState;
};

struct Region {
    const char* name;
    std::vector<const char*> towns;
};

const std::vector<Region>& regions() {
    static const std::vector<Region> list = {
        {"Auvergne-Rhône-Alpes", {"Lyon", "Grenoble", "Saint-Étienne", "Clermont-Ferrand", "Annecy", "Villeurbanne", "Valence", "Chambéry", "Roanne"}},
        {"Bourgogne-Franche-Comté", {"Dijon", "Besançon", "Belfort", "Chalon-sur-Saône", "Nevers", "Auxerre", "Mâcon"}},
        {"Bretagne", {"Rennes", "Brest", "Quimper", "Lorient", "Vannes", "Saint-Malo", "Saint-Brieuc"}},
        {"Centre-Val de Loire", {"Tours", "Orléans", "Bourges", "Blois", "Chartres", "Châteauroux"}},
        {"Corse", {"Ajaccio", "Bastia", "Porto-Vecchio"}},
        {"Grand Est", {"Strasbourg", "Reims", "Metz", "Mulhouse", "Nancy", "Colmar", "Troyes", "Charleville-Mézières"}},
        {"Hauts-de-France", {"Lille", "Amiens", "Roubaix", "Tourcoing", "Dunkerque", "Calais", "Valenciennes", "Beauvais"}},
        {"Île-de-France", {"Paris", "Boulogne-Billancourt", "Saint-Denis", "Argenteuil", "Montreuil", "Nanterre", "Versailles", "Créteil", "Vitry-sur-Seine"}},
        {"Normandie", {"Le Havre", "Rouen", "Caen", "Cherbourg-en-Cotentin", "Évreux", "Dieppe"}},
        {"Nouvelle-Aquitaine", {"Bordeaux", "Limoges", "Poitiers", "Pau", "La Rochelle", "Mérignac", "Pessac", "Bayonne", "Angoulême"}},
        {"Occitanie", {"Toulouse", "Montpellier", "Nîmes", "Perpignan", "Béziers", "Narbonne", "Albi", "Carcassonne", "Sète"}},
        {"Pays de la Loire", {"Nantes", "Angers", "Le Mans", "Saint-Nazaire", "Cholet", "La Roche-sur-Yon", "Laval"}},
        {"Provence-Alpes-Côte d'Azur", {"Marseille", "Nice", "Toulon", "Aix-en-Provence", "Avignon", "Antibes", "Cannes", "Fréjus", "Gap", "Arles", "Hyères", "Martigues"}},
    };
    return list;
}

struct ProductBase {
    const char* name;
    double price;
};
const ProductBase kProducts[] = {{"Café en grains", 8.90},   {"Thé vert", 5.50},          {"Chocolat noir", 3.20},
                                 {"Huile d'olive", 9.80},    {"Miel de lavande", 7.40},   {"Confiture d'abricot", 4.10},
                                 {"Biscuits au beurre", 2.60}, {"Pâtes artisanales", 3.90}, {"Savon de Marseille", 3.50},
                                 {"Bougie parfumée", 12.90}};
struct Variant {
    const char* name;
    double factor;
};
const Variant kVariants[] = {{"Classique", 1.0}, {"Bio", 1.35}, {"Format familial", 2.4}, {"Coffret", 3.1}, {"Édition limitée", 1.8}};
const char* const kChannels[] = {"Magasin", "Web", "Téléphone", "Grossiste"};
// Towns without any sale, so that hiding empty members shows.
const char* const kQuietTowns[] = {"Gap", "Porto-Vecchio"};

QString text(const char* utf8) { return QString::fromUtf8(utf8); }

TPivotCubeAxis* addAxis(TPivotCubeData& cube, const char* name, const char* description, const char* category, uint8_t sortStyle) {
    auto axis = std::make_unique<TPivotCubeAxis>();
    axis->Description.Nom = text(name);
    axis->Description.Description = text(description);
    axis->Category = text(category);
    axis->SortStyle = sortStyle;
    return cube.Axises().Add(std::move(axis));
}

// Members get IDs 1..n in listing order and are then kept in the axis's member order.
void setMembers(TPivotCubeAxis& axis, const QStringList& captions, const std::vector<int32_t>& parents = {}) {
    axis.Members.clear();
    for (qsizetype i = 0; i < captions.size(); ++i)
        axis.Members.push_back({int32_t(i + 1), parents.empty() ? 0 : parents[size_t(i)], captions[i]});
    std::stable_sort(axis.Members.begin(), axis.Members.end(),
                     [&](const TPivotCubeAxisData& a, const TPivotCubeAxisData& b) { return axis.CompareMembers(a, b) < 0; });
}

void addValue(TPivotCubeData& cube, const char* name, const char* description, const char* op) {
    auto value = std::make_unique<TPivotCubeValue>();
    value->Description.Nom = text(name);
    value->Description.Description = text(description);
    value->SetGroupOperatorName(text(op));
    cube.Values().Add(std::move(value));
}

double cents(double x) { return std::round(x * 100.0) / 100.0; }

} // namespace

std::unique_ptr<TPivotCubeData> GenerateSampleCube(qint64 count, uint64_t seed, const std::function<void(qint64, qint64)>& onProgress) {
    auto cube = std::make_unique<TPivotCubeData>();
    cube->Description().Nom = QStringLiteral("Ventes de démonstration");
    cube->Description().Description = QStringLiteral("Cube synthétique : %1 lignes, graine %2").arg(count).arg(seed);

    QStringList regionNames, townNames, productNames, monthNames, channelNames;
    std::vector<int32_t> townRegion;
    std::vector<double> townWeight;
    for (size_t r = 0; r < regions().size(); ++r) {
        regionNames << text(regions()[r].name);
        for (size_t t = 0; t < regions()[r].towns.size(); ++t) {
            const char* town = regions()[r].towns[t];
            townNames << text(town);
            townRegion.push_back(int32_t(r + 1));
            bool quiet = std::any_of(std::begin(kQuietTowns), std::end(kQuietTowns), [&](const char* q) { return std::strcmp(q, town) == 0; });
            // The first town of a region is its largest; Paris larger still.
            townWeight.push_back(quiet ? 0.0 : (t == 0 ? 4.0 : 1.0 + 1.5 / double(t + 1)) * (r == 7 && t == 0 ? 3.0 : 1.0));
        }
    }
    for (const ProductBase& p : kProducts)
        for (const Variant& v : kVariants) productNames << text(p.name) + QLatin1Char(' ') + text(v.name);
    for (int year = 2023; year <= 2025; ++year)
        for (int month = 1; month <= 12; ++month) monthNames << QStringLiteral("%1-%2").arg(year).arg(month, 2, 10, QLatin1Char('0'));
    for (const char* c : kChannels) channelNames << text(c);

    setMembers(*addAxis(*cube, "Région", "Région administrative", "Géographie", pcsCaption), regionNames);
    TPivotCubeAxis* towns = addAxis(*cube, "Ville", "Ville du point de vente", "Géographie", pcsCaption);
    towns->ParentAxis = cube->Axises().Items(0);
    towns->ParentLinked = true;
    setMembers(*towns, townNames, townRegion);
    setMembers(*addAxis(*cube, "Produit", "Article vendu", "Catalogue", pcsCaption), productNames);
    setMembers(*addAxis(*cube, "Mois", "Mois de la vente", "Temps", pcsCaption), monthNames);
    setMembers(*addAxis(*cube, "Canal", "Canal de vente", "Commerce", pcsID), channelNames);
    addValue(*cube, "Montant", "Montant net en euros", "Somme");
    addValue(*cube, "Quantité", "Nombre d'articles", "Somme");
    addValue(*cube, "Prix", "Prix unitaire en euros", "Moyenne");
    addValue(*cube, "Remise", "Remise en pour cent", "Maximum");

    std::vector<double> cumulative;
    double totalWeight = 0;
    for (double w : townWeight) cumulative.push_back(totalWeight += w);

    Random rng(seed);
    TPCDataItems& items = cube->DataItems();
    items.Reserve(int(std::min<qint64>(count, INT32_MAX)));
    const int products = int(productNames.size());
    const int limitedFrom = 24;   // limited editions are sold from 2025-01 on
    const int webFrom = 6;        // the web shop opened in 2023-07
    const int32_t corsica = 5;
    for (qint64 n = 0; n < count; ++n) {
        int town, product, month, channel;
        for (;;) {
            double pick = rng.unit() * totalWeight;
            town = int(std::upper_bound(cumulative.begin(), cumulative.end(), pick) - cumulative.begin());
            town = std::min(town, int(cumulative.size()) - 1);
            product = rng.below(products);
            month = rng.below(36);
            int c = rng.below(100);
            channel = c < 55 ? 0 : c < 80 ? 1 : c < 88 ? 2 : 3;
            if (townWeight[size_t(town)] == 0) continue;
            if (product % 5 == 4 && month < limitedFrom) continue;
            if (channel == 1 && month < webFrom) continue;
            if (channel == 3 && townRegion[size_t(town)] == corsica) continue;
            break;
        }
        const ProductBase& base = kProducts[product / 5];
        const Variant& variant = kVariants[product % 5];
        const double season = 1.0 + 0.25 * std::sin(double(month % 12) / 12.0 * 6.283185307179586);
        int quantity = channel == 3 ? 10 + rng.below(111) : 1 + int(std::floor(std::pow(rng.unit(), 2.0) * 6.0 * season));
        double price = cents(base.price * variant.factor * (0.95 + 0.10 * rng.unit()) * (1.0 + 0.02 * (month / 12)));
        int discountDraw = rng.below(100);
        double discount = channel == 3 ? 5.0 * (1 + rng.below(4)) : discountDraw < 75 ? 0.0 : discountDraw < 92 ? 5.0 : 10.0;
        double amount = cents(quantity * price * (1.0 - discount / 100.0));
        const int32_t ids[5] = {townRegion[size_t(town)], int32_t(town + 1), int32_t(product + 1), int32_t(month + 1), int32_t(channel + 1)};
        const double values[4] = {amount, double(quantity), price, discount};
        items.Add(ids, values);
        if (onProgress && (n % 65536 == 0)) onProgress(n, count);
    }
    if (onProgress) onProgress(count, count);
    return cube;
}
