// Registration of the function library, in its documented order.
#include "FormulaFunctionsInternal.h"

#include <QHash>

namespace {

struct Registration {
    const char* name;
    const char* className;
    const char* help; // UTF-8
};

const Registration kFunctions[] = {
    {"True", "TFETrue", "Constante True (vrai)"},
    {"False", "TFEFalse", "Constante False (faux)"},
    {"Sin", "TFESin", "Sinus"},
    {"ArcSin", "TFEArcSin", "Arc Sinus"},
    {"ASin", "TFEArcSin", "Arc Sinus"},
    {"Cos", "TFECos", "Cosinus"},
    {"ArcCos", "TFEArcCos", "Arc Cosinus"},
    {"ACos", "TFEArcCos", "Arc Cosinus"},
    {"Tan", "TFETan", "Tangent"},
    {"ArcTan", "TFEArcTan", "Arc Tangent"},
    {"ATan", "TFEArcTan", "Arc Tangent"},
    {"Degrees", "TFERadToDeg", "Converti des radians en degrés"},
    {"Degres", "TFERadToDeg", "Converti des radians en degrés"},
    {"RadToDeg", "TFERadToDeg", "Converts radians to degrees"},
    {"DegToRad", "TFEDegToRad", "Converts degrees to radians"},
    {"Radians", "TFEDegToRad", "Converti des degrés en radians"},
    {"PI", "TFEPI", "Constante PI (3.141592...)"},
    {"Depend", "TFEDepend", "Declares an indirect dependency"},
    {"Now", "TFENow", "Current Date/Time"},
    {"Maintenant", "TFENow", "Date/Heure courante"},
    {"LocalNow", "TFELocalNow", "Current Date/Time"},
    {"Year", "TFEYear", "Year"},
    {"Annee", "TFEYear", "Année"},
    {"Month", "TFEMonth", "Month"},
    {"Mois", "TFEMonth", "Mois"},
    {"Day", "TFEDay", "Day"},
    {"Jour", "TFEDay", "Jour"},
    {"Hour", "TFEHour", "Hour"},
    {"Heure", "TFEHour", "Heure"},
    {"Minute", "TFEMinute", "Minute"},
    {"Second", "TFESecond", "Second"},
    {"Seconde", "TFESecond", "Seconde"},
    {"DayOfYear", "TFEDayOfYear", "Day Of Year"},
    {"DayOfWeek", "TFEDayOfWeek", "Day Of Week"},
    {"WeekNumber", "TFEWeekNumber", "ISO 8601 Week Number"},
    {"Date", "TFEDate", "Encode une date"},
    {"Time", "TFETime", "Encode une heure"},
    {"FormatDateTime", "TFEFormatDateTime", "Converts a date to a string representation"},
    {"StrToDateTime", "TFEStrToDateTime", "Converts a string to a date"},
    {"Sinh", "TFESinh", "Hyperbolic Sinus"},
    {"ArcSinh", "TFEArcSinh", "Hyperbolic Arc Sinus"},
    {"ASinh", "TFEArcSinh", "Hyperbolic Arc Sinus"},
    {"Cosh", "TFECosh", "Hyperbolic Cosinus"},
    {"ArcCosh", "TFEArcCosh", "Hyperbolic Arc Cosinus"},
    {"ACosh", "TFEArcCosh", "Hyperbolic Arc Cosinus"},
    {"Tanh", "TFETanh", "Hyperbolic Tangent"},
    {"ArcTanh", "TFEArcTanh", "Hyperbolic Arc Tangent"},
    {"ATanh", "TFEArcTanh", "Hyperbolic Arc Tangent"},
    {"Sqrt", "TFESqrt", "Square Root"},
    {"Exp", "TFEExp", "Exponential"},
    {"Ln", "TFELn", "Natural Logarithm"},
    {"Log", "TFELog", "Base 10 Logarithm"},
    {"Log10", "TFELog", "Base 10 Logarithm"},
    {"Abs", "TFEAbs", "Absolute Value"},
    {"Sign", "TFESign", "Sign Value (-1 for negs, 0 for zero and +1 for positive)"},
    {"Arrondi", "TFERound", "Arrondi à l'entier le plus proche (nombre optionnel de décimales)"},
    {"Round", "TFERound", "Rounds to nearest integer value (optional number of decimals)"},
    {"Int", "TFEInt", "Returns the integer part of a float value"},
    {"Ent", "TFEInt", "Retourne la partie entière d'un nombre"},
    {"Frac", "TFEFrac", "Returns the fractional part of a float value"},
    {"Ceil", "TFECeil", "Returns the smallest integer greater than or equal to a number"},
    {"Plafond", "TFECeil", "Retourne le plus petit entier supérieur ou égal à un nombre"},
    {"Floor", "TFEFloor", "Returns the largest integer less than or equal to a number"},
    {"Plancher", "TFEFloor", "Retourne le plus grand entier inférieur ou égal à un nombre"},
    {"FKhi2", "TFEFKhi2", "Computes Prob(Khi2 <= X), params are Nu then X"},
    {"InverseFKhi2", "TFEInverseFKhi2", "Inverse FKhi2 for Khi2 testing (params are Nu then Probability)"},
    {"IntToStr", "TFEIntToStr", "Converts an integer value to an eventually formated string"},
    {"IntToHex", "TFEIntToHex", "Converts an integer value to its hexadecimal representation"},
    {"FloatToStr", "TFEFloatToStr", "Converts a float value to string"},
    {"StrToFloat", "TFEStrToFloat", "Converts a string to a float value"},
    {"StrToFloatDef", "TFEStrToFloatDef", "Converts a string to a float value (or default)"},
    {"FormatFloat", "TFEFormatFloat", "Converts a float value to string with formatting"},
    {"IsNumber", "TFEIsNumber", "Returns true if parameter is a number"},
    {"EstNum", "TFEIsNumber", "Retourne vrai si le paramètre est un nombre"},
    {"IsError", "TFEIsError", "Returns true if parameter is an error value"},
    {"EstErreur", "TFEIsError", "Retourne vrai si le paramètre est unevaleur d'erreur"},
    {"IsDefined", "TFEIsDefined", "Returns true if parameter is not an empty string and not error"},
    {"Chr", "TFEChr", "Converts charcodes into a string"},
    {"Text", "TFEText", "Returns the text/string representation of the reference/parameter"},
    {"Texte", "TFEText", "Returns the text/string representation of the reference/parameter"},
    {"Length", "TFELength", "Returns the length of a string or list"},
    {"NbCar", "TFELength", "Retourne la longueur d'une chaîne"},
    {"NbChar", "TFELength", "Returns the length of a string"},
    {"Left", "TFELeft", "Extract 1st characters to the string's left"},
    {"Gauche", "TFELeft", "Extrait les caractères à la gauche de la chaîne"},
    {"Right", "TFERight", "Extract characters to the string's right"},
    {"Droite", "TFERight", "Extrait les caractères à la droite de la chaîne"},
    {"UpperCase", "TFEUpperCase", "Returns an upper-cased string"},
    {"Majuscule", "TFEUpperCase", "Retourne une version en majuscules de la chaîne"},
    {"LowerCase", "TFELowerCase", "Returns an lower-cased string"},
    {"Minuscule", "TFELowerCase", "Retourne une version en minuscules de la chaîne"},
    {"Trim", "TFETrim", "Trim the string"},
    {"SHA256", "TFESHA256", "Computes the SHA256 hash"},
    {"URLEncode", "TFEURLEncode", "Encode au format URL-Encoded"},
    {"STxt", "TFESubText", "Extrait une sous-chaîne de la chaîne"},
    {"Mid", "TFESubText", "Returns a sub text of a string"},
    {"Cherche", "TFEFind", "Cherche une sous-chaîne de la chaîne"},
    {"Find", "TFEFind", "Finds a substring in the string"},
    {"Substitute", "TFESubstitute", "Substitutes a sub-string in a string"},
    {"Substitue", "TFESubstitute", "Substitue une sous-chaîne dans une chaîne"},
    {"RemoveChars", "TFERemoveChars", "Removes specified characters from a string"},
    {"Rept", "TFERepeat", "Repète une chaîne"},
    {"Rand", "TFERand", "Generates a random number in [0; 1["},
    {"Alea", "TFERand", "Génère un nombre aléatoire dans [0; 1["},
    {"GaussRand", "TFEGaussRand", "Generates a normal gaussian random number"},
    {"AleaGauss", "TFEGaussRand", "Génère un nombre aléatoire gaussien"},
    {"Si", "TFEIfThenElse", "Si param1 est vrai alors retourne param2, sinon retourne param3"},
    {"If", "TFEIfThenElse", "If param1 is True then returns param2, else returns param3"},
    {"GlobalVar", "TFEGlobalVar", "Reads a global var, with optional default value"},
    {"JSONParse", "TFEJSONParse", "Parses a JSON value or array"},
    {"JSONPath", "TFEJSONPath", "Extract values from a JSON"},
};

} // namespace

void TBaseFormulaParser::RegisterStandardFunctions() {
    std::vector<const TFEClass*> classes;
    CollectLogicFunctions(classes);
    CollectMathFunctions(classes);
    CollectTextFunctions(classes);
    CollectDateFunctions(classes);
    CollectJSONFunctions(classes);
    QHash<QByteArray, const TFEClass*> byName;
    for (const TFEClass* cls : classes)
        byName.insert(QByteArray(cls->Name), cls);
    for (const Registration& r : kFunctions) {
        const TFEClass* cls = byName.value(QByteArray(r.className));
        if (!cls)
            throw EFormulaAssertion(QStringLiteral("Unknown function class %1").arg(QLatin1String(r.className)));
        RegisterFunction(QString::fromLatin1(r.name), *cls, QString::fromUtf8(r.help));
    }
}
