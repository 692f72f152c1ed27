// The raw data exports: the HTML page byte for byte, title escaping, CSV
// quoting and number texts.
#include "CPivotCubeDataExport.h"
#include "UHierarchicalWriter.h"
#include "UPivotCube.h"
#include "XClasses.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

TPivotCubeAxis* addAxis(TPivotCubeData& cube, const QString& name, const QStringList& captions) {
    auto axis = std::make_unique<TPivotCubeAxis>();
    axis->Description.Nom = name;
    for (qsizetype i = 0; i < captions.size(); ++i) axis->Members.push_back({int32_t(i + 1), 0, captions[i]});
    return cube.Axises().Add(std::move(axis));
}

void addValue(TPivotCubeData& cube, const QString& name) {
    auto value = std::make_unique<TPivotCubeValue>();
    value->Description.Nom = name;
    value->SetGroupOperatorName(QStringLiteral("Somme"));
    cube.Values().Add(std::move(value));
}

// Axes "Ville" and "Note" (captions needing escapes and quotes), values "a, b"
// and "V"; the second item's town ID (7) belongs to no member.
std::unique_ptr<TPivotCubeData> smallCube() {
    auto cube = std::make_unique<TPivotCubeData>();
    cube->Description().Nom = QStringLiteral("Ventes <2024>");
    addAxis(*cube, QStringLiteral("Ville"), {QStringLiteral("Orléans"), QString()});
    addAxis(*cube, QStringLiteral("Note"), {QStringLiteral("dit \"oui\", <b>&"), QStringLiteral("deux\r\nlignes")});
    addValue(*cube, QStringLiteral("a, b"));
    addValue(*cube, QStringLiteral("V"));
    const int32_t ids[][2] = {{1, 1}, {7, 2}, {2, 2}};
    const double values[][2] = {{1.0 / 3, 0.1}, {-2.5, 1e21}, {0, 123456789.125}};
    for (int i = 0; i < 3; ++i) cube->DataItems().Add(ids[i], values[i]);
    return cube;
}

const QByteArray kPageHead =
    "<html>\r\n"
    "<meta http-equiv=\"Content-Type\" content=\"text/html;charset=utf-8\"/>\r\n"
    "<head>\r\n";
const QByteArray kPageStyle =
    "<style type=\"text/css\"><!--\r\n"
    "table.PivotCubeData { font-size: smaller; font-family: Arial; border: solid; background: #E0E0E0; }\r\n"
    "table.PivotCubeData th { font-weight: bold; background: #F0F0F0; vertical-align: top; }\r\n"
    "table.PivotCubeData td { background: #FFFFFF; white-space: nowrap; }\r\n"
    "--></style>\r\n"
    "</head>\r\n";

TEST(DataExport, HTMLPageIsExact) {
    auto cube = smallCube();
    QByteArray expected = kPageHead + "<title>Ventes &lt;2024&gt;</title>\r\n" + kPageStyle +
        "<body><table class=\"PivotCubeData\">"
        "<colgroup class=\"Axis\" span=\"2\" align=\"left\"/><colgroup class=\"Values\" span=\"2\" align=\"right\"/>"
        "<tr><th>Ville</th><th>Note</th><th>a, b</th><th>V</th></tr>"
        "<tr><td>Orl\xc3\xa9" "ans</td><td>dit &quot;oui&quot;, &lt;b&gt;&amp;</td><td>0.333333333333333</td><td>0.1</td></tr>"
        "<tr><td/><td>deux\r\nlignes</td><td>-2.5</td><td>1E21</td></tr>"
        "<tr><td/><td>deux\r\nlignes</td><td>0</td><td>123456789.125</td></tr>"
        "</table></body></html>";
    QByteArray page = DataHTMLPage(*cube);
    EXPECT_EQ(page.toStdString(), expected.toStdString());

    TMemoryStream stream;
    ExportDataHTML(*cube, stream);
    EXPECT_EQ(stream.Data(), page);
}

TEST(DataExport, EmptyCubeHasOnlyTheHeaderLine) {
    TPivotCubeData cube;
    addAxis(cube, QStringLiteral("A"), {QStringLiteral("x")});
    addValue(cube, QStringLiteral("V"));
    EXPECT_EQ(DataHTMLPage(cube), kPageHead + "<title></title>\r\n" + kPageStyle +
                                      "<body><table class=\"PivotCubeData\"><colgroup class=\"Axis\" span=\"1\" align=\"left\"/>"
                                      "<colgroup class=\"Values\" span=\"1\" align=\"right\"/><tr><th>A</th><th>V</th></tr></table></body></html>");
    EXPECT_EQ(ExportDataCSV(cube), QByteArray("A,V\r\n"));

    TPivotCubeData nothing;
    TStringsHierarchicalWriter root;
    WriteDataTable(nothing, root);
    ASSERT_EQ(root.ChildCount(), 1);
    EXPECT_EQ(root.Child(0)->ChildCount(), 3);   // two column groups and the (empty) header line
    EXPECT_EQ(root.Child(0)->Child(0)->Attribute(QStringLiteral("span")), QStringLiteral("0"));
    EXPECT_EQ(ExportDataCSV(nothing), QByteArray());
}

TEST(DataExport, TitleEscaping) {
    struct Case { QString title; QString expected; } cases[] = {
        {QStringLiteral("a<b>c"), QStringLiteral("a&lt;b&gt;c")},
        {QStringLiteral("R&D &amp;"), QStringLiteral("R&D &amp;")},   // '&' is written as is
        {QStringLiteral("a\nb"), QStringLiteral("a<br>b")},
        {QStringLiteral("a\r\nb"), QStringLiteral("a<br>b")},
        {QStringLiteral("a\rb"), QStringLiteral("a<br>b")},
        {QStringLiteral("a\n\nb"), QStringLiteral("a<br>b")},         // an LF after a line end is dropped
        {QStringLiteral("a\r\n\r\nb"), QStringLiteral("a<br><br>b")},
        {QStringLiteral("\nfin\n"), QStringLiteral("fin<br>")},
        {QString(), QString()},
    };
    for (const auto& c : cases) EXPECT_EQ(DataHTMLTitle(c.title), c.expected) << c.title.toStdString();
}

TEST(DataExport, CSVIsQuotedAndRoundTrips) {
    auto cube = smallCube();
    EXPECT_EQ(ExportDataCSV(*cube).toStdString(),
              "Ville,Note,\"a, b\",V\r\n"
              "Orl\xc3\xa9" "ans,\"dit \"\"oui\"\", <b>&\",0.3333333333333333,0.1\r\n"
              ",\"deux\r\nlignes\",-2.5,1e+21\r\n"
              ",\"deux\r\nlignes\",0,123456789.125\r\n");

    struct Field { QString text; QByteArray expected; } fields[] = {
        {QString(), ""},
        {QStringLiteral("plain text"), "plain text"},
        {QStringLiteral("a,b"), "\"a,b\""},
        {QStringLiteral("\""), "\"\"\"\""},
        {QStringLiteral("line\nbreak"), "\"line\nbreak\""},
        {QStringLiteral("cr\r"), "\"cr\r\""},
        {QStringLiteral(" padded "), " padded "},
        {QStringLiteral("été"), "\xc3\xa9t\xc3\xa9"},
    };
    for (const auto& f : fields) EXPECT_EQ(CSVField(f.text), f.expected) << f.text.toStdString();

    const double inf = std::numeric_limits<double>::infinity();
    struct Number { double value; const char* expected; } numbers[] = {
        {0.1, "0.1"}, {1.0 / 3, "0.3333333333333333"}, {-0.0, "-0"}, {1e300, "1e+300"},
        {5e-324, "5e-324"}, {1e21, "1e+21"}, {123456789012.5, "123456789012.5"},
        {inf, "inf"}, {-inf, "-inf"}, {std::nan(""), "nan"}, {-std::nan(""), "nan"},
    };
    for (const auto& n : numbers) {
        QByteArray text = ShortestNumberText(n.value);
        EXPECT_EQ(text, QByteArray(n.expected));
        if (std::isfinite(n.value)) {
            EXPECT_EQ(std::strtod(text.constData(), nullptr), n.value) << n.expected;
        }
    }
}

} // namespace
