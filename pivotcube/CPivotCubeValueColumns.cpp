// Collections of formulas and value columns, and the colours of the columns.
#include "CPivotCubeValueColumns.h"

#include "XLists.h"

#include <algorithm>
#include <cmath>

// ---------------------------------------------------------------------------
// Colours

namespace {

uint8_t channel(double x) { return uint8_t(std::clamp(std::lround(x * 255.0), 0L, 255L)); }

double hueToChannel(double p, double q, double t) {
    if (t < 0) t += 1;
    if (t > 1) t -= 1;
    if (t < 1.0 / 6) return p + (q - p) * 6 * t;
    if (t < 0.5) return q;
    if (t < 2.0 / 3) return p + (q - p) * (2.0 / 3 - t) * 6;
    return p;
}

} // namespace

uint32_t ColorToRGB(int32_t color) {
    if (color >= 0) return uint32_t(color) & 0xFFFFFF;
    return SystemColorToRGB(color & 0xFF) & 0xFFFFFF;
}

HSLColor RGBToHSL(uint32_t rgb) {
    const double r = (rgb & 0xFF) / 255.0, g = ((rgb >> 8) & 0xFF) / 255.0, b = ((rgb >> 16) & 0xFF) / 255.0;
    const double mx = std::max({r, g, b}), mn = std::min({r, g, b});
    HSLColor out;
    out.Lightness = (mx + mn) / 2;
    const double d = mx - mn;
    if (d <= 0) return out;
    out.Saturation = out.Lightness > 0.5 ? d / (2 - mx - mn) : d / (mx + mn);
    double h;
    if (mx == r)
        h = (g - b) / d + (g < b ? 6 : 0);
    else if (mx == g)
        h = (b - r) / d + 2;
    else
        h = (r - g) / d + 4;
    out.Hue = h / 6;
    return out;
}

uint32_t HSLToRGB(const HSLColor& hsl) {
    const double l = std::clamp(hsl.Lightness, 0.0, 1.0), s = std::clamp(hsl.Saturation, 0.0, 1.0);
    double h = std::fmod(hsl.Hue, 1.0);
    if (h < 0) h += 1;
    double r = l, g = l, b = l;
    if (s > 0) {
        const double q = l < 0.5 ? l * (1 + s) : l + s - l * s;
        const double p = 2 * l - q;
        r = hueToChannel(p, q, h + 1.0 / 3);
        g = hueToChannel(p, q, h);
        b = hueToChannel(p, q, h - 1.0 / 3);
    }
    return uint32_t(channel(r)) | (uint32_t(channel(g)) << 8) | (uint32_t(channel(b)) << 16);
}

double ShadeLightness(int depth) { return 0.96 - 0.02 * depth; }

uint32_t NeutralShade(int depth) { return HSLToRGB({0, 0, ShadeLightness(depth)}); }

// ---------------------------------------------------------------------------
// Collections

int TPivotCubeCollectionItem::Index() const { return FCollection ? FCollection->IndexOf(this) : -1; }

void TPivotCubeCollectionItem::SetIndex(int index) {
    if (FCollection) FCollection->Move(Index(), index);
}

void TPivotCubeCollectionItem::Changed() {
    if (FCollection) FCollection->Changed();
}

TPivotCubeCollection::~TPivotCubeCollection() = default;

TPivotCubeCollectionItem* TPivotCubeCollection::AddItem(std::unique_ptr<TPivotCubeCollectionItem> item) {
    item->FCollection = this;
    FItems.push_back(std::move(item));
    Changed();
    return FItems.back().get();
}

void TPivotCubeCollection::Delete(int index) {
    if (index < 0 || index >= Count()) return;
    FItems.erase(FItems.begin() + index);
    Changed();
}

void TPivotCubeCollection::Clear() {
    if (FItems.empty()) return;
    FItems.clear();
    Changed();
}

void TPivotCubeCollection::Exchange(int a, int b) {
    if (a == b || a < 0 || b < 0 || a >= Count() || b >= Count()) return;
    std::swap(FItems[size_t(a)], FItems[size_t(b)]);
    Changed();
}

void TPivotCubeCollection::Move(int from, int to) {
    if (from < 0 || from >= Count()) return;
    to = std::clamp(to, 0, Count() - 1);
    if (from == to) return;
    auto item = std::move(FItems[size_t(from)]);
    FItems.erase(FItems.begin() + from);
    FItems.insert(FItems.begin() + to, std::move(item));
    Changed();
}

int TPivotCubeCollection::IndexOf(const TPivotCubeCollectionItem* item) const {
    for (size_t i = 0; i < FItems.size(); ++i)
        if (FItems[i].get() == item) return int(i);
    return -1;
}

void TPivotCubeCollection::EndUpdate() {
    if (FUpdateCount > 0 && --FUpdateCount == 0 && FChangedWhileUpdating) {
        FChangedWhileUpdating = false;
        Changed();
    }
}

void TPivotCubeCollection::Changed() {
    if (FUpdateCount > 0) {
        FChangedWhileUpdating = true;
        return;
    }
    if (OnChange) OnChange();
}

// ---------------------------------------------------------------------------
// Formulas

void TPivotCubeFormula::SetCaption(const QString& value) {
    if (FCaption == value) return;
    FCaption = value;
    Changed();
}
void TPivotCubeFormula::SetFormula(const QString& value) {
    if (FFormula == value) return;
    FFormula = value;
    Changed();
}
void TPivotCubeFormula::SetFormulaDisplay(const QString& value) {
    if (FFormulaDisplay == value) return;
    FFormulaDisplay = value;
    Changed();
}
void TPivotCubeFormula::SetFormat(const QString& value) {
    if (FFormat == value) return;
    FFormat = value;
    Changed();
}

QString TPivotCubeFormula::DisplayName() const {
    return FCaption + QStringLiteral(" (") + FFormat + QStringLiteral(") = ") + FFormula;
}

void TPivotCubeFormula::Assign(const TPivotCubeFormula& source) {
    if (&source == this) return;
    FCaption = source.FCaption;
    FFormula = source.FFormula;
    FFormat = source.FFormat;
    Changed();
}

TPivotCubeFormula* TPivotCubeFormulas::Add() {
    return static_cast<TPivotCubeFormula*>(AddItem(std::unique_ptr<TPivotCubeCollectionItem>(new TPivotCubeFormula)));
}

int TPivotCubeFormulas::IndexOfCaption(const QString& text) const {
    for (int i = 0; i < Count(); ++i)
        if (Items(i)->Caption() == text) return i;
    return -1;
}

int TPivotCubeFormulas::IndexOfFormula(const QString& text) const {
    for (int i = 0; i < Count(); ++i)
        if (Items(i)->Formula() == text) return i;
    return -1;
}

TPivotCubeFormula* TPivotCubeFormulas::FindByCaption(const QString& text) const {
    const int i = IndexOfCaption(text);
    return i >= 0 ? Items(i) : nullptr;
}

TPivotCubeFormula* TPivotCubeFormulas::FindByFormula(const QString& text) const {
    const int i = IndexOfFormula(text);
    return i >= 0 ? Items(i) : nullptr;
}

void TPivotCubeFormulas::AddCaptionsTo(TStringList& list) const {
    for (int i = 0; i < Count(); ++i) list.Add(Items(i)->Caption(), qint64(i));
}

QString TPivotCubeFormulas::ValidateFormats() const {
    QString out;
    const QString probeText = QStringLiteral("abc");
    for (int i = 0; i < Count(); ++i) {
        const TPivotCubeFormula* f = Items(i);
        try {
            if (f->Format().contains(QStringLiteral("%s")))
                ::Format(f->Format(), {FormatArg(probeText)});
            else
                ::Format(f->Format(), {FormatArg(1.2)});
        } catch (const Exception& e) {
            out += f->Caption() + QStringLiteral(": ") + e.message() + QStringLiteral("\r\n");
        }
    }
    return out;
}

void TPivotCubeFormulas::Assign(const TPivotCubeFormulas& source) {
    if (&source == this) return;
    CollectionUpdate update(*this);
    Clear();
    for (int i = 0; i < source.Count(); ++i) {
        TPivotCubeFormula* f = Add();
        f->Assign(*source.Items(i));
        f->SetFormulaDisplay(source.Items(i)->FormulaDisplay());
    }
}

// ---------------------------------------------------------------------------
// Value columns

TPivotCubeValueColumn::~TPivotCubeValueColumn() = default;

void TPivotCubeValueColumn::SetCaption(const QString& value) {
    if (FCaption == value) return;
    FCaption = value;
    Changed();
}
void TPivotCubeValueColumn::SetFormula(const QString& value) {
    if (FFormula == value) return;
    FFormula = value;
    Changed();
}
void TPivotCubeValueColumn::SetFormat(const QString& value) {
    if (FFormat == value) return;
    FFormat = value;
    Changed();
}

void TPivotCubeValueColumn::SetBgColor(int32_t value) {
    const HSLColor hsl = RGBToHSL(ColorToRGB(value));
    if (FBgColor == value && FHSL.Hue == hsl.Hue && FHSL.Saturation == hsl.Saturation &&
        FHSL.Lightness == hsl.Lightness)
        return;
    FBgColor = value;
    FHSL = hsl;
    Changed();
}

uint32_t TPivotCubeValueColumn::Shade(int depth) const {
    return HSLToRGB({FHSL.Hue, FHSL.Saturation, ShadeLightness(depth)});
}

QString TPivotCubeValueColumn::DisplayText() const {
    if (FCaption == FFormula) return FCaption;
    return ::Format(QStringLiteral("%s (%s)"), {FormatArg(FCaption), FormatArg(FFormula)});
}

bool TPivotCubeValueColumn::IsFormulaColumn(const TPivotCubeValues& values, const TPivotCubeFormulas& formulas) const {
    return values.IndexOfName(FFormula) < 0 && formulas.IndexOfFormula(FFormula) >= 0;
}

void TPivotCubeValueColumn::Assign(const TPivotCubeValueColumn& source) {
    if (&source == this) return;
    TPivotCubeCollection* c = Collection();
    if (c) c->BeginUpdate();
    SetCaption(source.FCaption);
    SetFormula(source.FFormula);
    SetFormat(source.FFormat);
    SetBgColor(source.FBgColor);
    if (c) c->EndUpdate();
}

void TPivotCubeValueColumn::AssignFrom(const TPivotCubeValue& value) {
    TPivotCubeCollection* c = Collection();
    if (c) c->BeginUpdate();
    SetCaption(value.Nom());
    SetFormula(value.Nom());
    SetFormat(QString());
    if (c) c->EndUpdate();
}

void TPivotCubeValueColumn::AssignFrom(const TPivotCubeFormula& formula) {
    TPivotCubeCollection* c = Collection();
    if (c) c->BeginUpdate();
    SetCaption(formula.Caption());
    SetFormula(formula.Formula());
    SetFormat(formula.Format());
    if (c) c->EndUpdate();
}

void TPivotCubeValueColumn::DiscardCompiled() {
    FValueExpression.reset();
    FDisplayExpression.reset();
    FValueText.clear();
    FDisplayText.clear();
}

TPivotCubeValueColumn* TPivotCubeValueColumns::Add() {
    auto column = std::unique_ptr<TPivotCubeValueColumn>(new TPivotCubeValueColumn);
    const int32_t color = TPivotCubeValueColumn::Palette[Count() % 5];
    column->FBgColor = color;
    column->FHSL = RGBToHSL(ColorToRGB(color));
    return static_cast<TPivotCubeValueColumn*>(AddItem(std::move(column)));
}

TPivotCubeValueColumn* TPivotCubeValueColumns::FindByCaption(const QString& text) const {
    for (int i = 0; i < Count(); ++i)
        if (Items(i)->Caption() == text) return Items(i);
    return nullptr;
}

QString TPivotCubeValueColumns::ColumnFormula(int index) const {
    if (index < 0 || index >= Count()) return {};
    return Items(index)->Formula();
}

void TPivotCubeValueColumns::SyncWithSources(const TPivotCubeValues& values, const TPivotCubeFormulas& formulas) {
    CollectionUpdate update(*this);
    for (int i = Count() - 1; i >= 0; --i) {
        TPivotCubeValueColumn* column = Items(i);
        if (const TPivotCubeFormula* f = formulas.FindByCaption(column->Caption()))
            column->AssignFrom(*f);
        else if (const TPivotCubeValue* v = values.FindByName(column->Caption()))
            column->AssignFrom(*v);
        else
            Delete(i);
    }
}
