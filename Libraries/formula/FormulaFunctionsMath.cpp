// Function library: logic, constants, tests, mathematics, random numbers.
#include "FormulaFunctionsInternal.h"

#include <QMutex>
#include <QRandomGenerator>
#include <cfenv>
#include <cmath>
#include <limits>

using namespace formula_detail;

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr long double kExpLow = -11355.137111933024L;
constexpr long double kExpHigh = 11356.5234062941439L;

[[noreturn]] void invalidOp() {
    throw EInvalidOp(QStringLiteral("Invalid floating point operation"));
}

} // namespace

namespace formula_detail {

double roundEven(double x) {
    return std::nearbyint(x); // the default rounding mode: to nearest, halves to even
}

long long roundToInt64(double x) {
    const double r = roundEven(x);
    if (!(r >= -9223372036854775808.0 && r < 9223372036854775808.0))
        invalidOp();
    return static_cast<long long>(r);
}

void evalError(const char* errorValue) {
    throw EEvalError(QString::fromLatin1(errorValue));
}

} // namespace formula_detail

// ---------------------------------------------------------------------------
// Logic, constants and tests

namespace {

class TFEBoolConstant : public TFEFunction {
    FE_ABSTRACT_CLASS(TFEBoolConstant, TFEFunction)
public:
    TFEBoolConstant() {
        FE_PARAMS(0, 0);
        Flags = feFoldable;
    }
    TFEResultKind ResultKind() const override { return rkBoolean; }
    bool IsConstant() const override { return true; }
    Variant Evaluate() override { return Variant(value()); }
    double EvaluateNum() override { return value() ? 1 : 0; }
    QString EvaluateString() override { return value() ? QStringLiteral("true") : QStringLiteral("false"); }
    virtual bool value() const = 0;
};

class TFETrue : public TFEBoolConstant {
    FE_CLASS(TFETrue, TFEBoolConstant)
public:
    bool value() const override { return true; }
};

class TFEFalse : public TFEBoolConstant {
    FE_CLASS(TFEFalse, TFEBoolConstant)
public:
    bool value() const override { return false; }
};

class TFEPI : public TFENumFunction {
    FE_CLASS(TFEPI, TFENumFunction)
public:
    TFEPI() { FE_PARAMS(0, 0); }
    double EvaluateNum() override { return M_PI; }
};

class TFEIfThenElse : public TFEFunction {
    FE_CLASS(TFEIfThenElse, TFEFunction)
public:
    TFEIfThenElse() {
        FE_PARAMS(2, 3);
        Flags = feFoldable;
    }
    Variant Evaluate() override {
        if (FormulaTruth(Param(0)->Evaluate()))
            return Param(1)->Evaluate();
        return ParamCount() > 2 ? Param(2)->Evaluate() : Variant();
    }
};

class TFEDepend : public TFEFunction {
    FE_CLASS(TFEDepend, TFEFunction)
public:
    TFEDepend() { FE_PARAMS(1, 99); }
    TFEResultKind ResultKind() const override { return ParamCount() ? Param(0)->ResultKind() : rkVariant; }
    Variant Evaluate() override { return Param(0)->Evaluate(); }
};

class TFEBoolFunction : public TFEFunction {
    FE_ABSTRACT_CLASS(TFEBoolFunction, TFEFunction)
public:
    TFEBoolFunction() {
        FE_PARAMS(1, 1);
        Flags = feFoldable;
    }
    TFEResultKind ResultKind() const override { return rkBoolean; }
    Variant Evaluate() override { return Variant(EvaluateBool()); }
    virtual bool EvaluateBool() = 0;
};

class TFEIsNumber : public TFEBoolFunction {
    FE_CLASS(TFEIsNumber, TFEBoolFunction)
public:
    bool EvaluateBool() override {
        double d = 0;
        return TryStrToFloat(Param(0)->EvaluateString(), d);
    }
};

// An error raised while computing the parameter is an error value too.
class TFEIsError : public TFEBoolFunction {
    FE_CLASS(TFEIsError, TFEBoolFunction)
public:
    bool EvaluateBool() override {
        try {
            return Param(0)->Evaluate().isErrorValue();
        } catch (const EEvalError&) {
            return true;
        }
    }
};

class TFEIsDefined : public TFEBoolFunction {
    FE_CLASS(TFEIsDefined, TFEBoolFunction)
public:
    bool EvaluateBool() override {
        Variant v;
        try {
            v = Param(0)->Evaluate();
        } catch (const EEvalError&) {
            return false;
        }
        switch (v.type()) {
        case VarType::String:
            return !v.isErrorValue() && !v.asString().isEmpty();
        case VarType::Empty:
        case VarType::Null:
            return false;
        case VarType::List:
            return !v.asList().isEmpty();
        default:
            return true;
        }
    }
};

struct GlobalStore {
    QMutex lock;
    QMap<QString, Variant> values;
};

GlobalStore& globalStore() {
    static GlobalStore store;
    return store;
}

class TFEGlobalVar : public TFEFunction {
    FE_CLASS(TFEGlobalVar, TFEFunction)
public:
    TFEGlobalVar() { FE_PARAMS(1, 2); }
    Variant Evaluate() override {
        Variant v;
        if (ReadGlobalVar(Param(0)->EvaluateString(), v))
            return v;
        if (ParamCount() > 1)
            return Param(1)->Evaluate();
        return Variant(QStringLiteral("#VAL!"));
    }
};

} // namespace

void SetGlobalVar(const QString& name, const Variant& value) {
    GlobalStore& s = globalStore();
    QMutexLocker guard(&s.lock);
    s.values.insert(name, value);
}

bool ReadGlobalVar(const QString& name, Variant& value) {
    GlobalStore& s = globalStore();
    QMutexLocker guard(&s.lock);
    auto it = s.values.constFind(name);
    if (it == s.values.constEnd())
        return false;
    value = it.value();
    return true;
}

void ClearGlobalVars() {
    GlobalStore& s = globalStore();
    QMutexLocker guard(&s.lock);
    s.values.clear();
}

void CollectLogicFunctions(std::vector<const TFEClass*>& out) {
    out.insert(out.end(), {&TFETrue::StaticClass(), &TFEFalse::StaticClass(), &TFEPI::StaticClass(),
                           &TFEIfThenElse::StaticClass(), &TFEDepend::StaticClass(), &TFEIsNumber::StaticClass(),
                           &TFEIsError::StaticClass(), &TFEIsDefined::StaticClass(), &TFEGlobalVar::StaticClass()});
}

// ---------------------------------------------------------------------------
// Mathematics

namespace {

#define FE_MATH1(Name, expression)                                  \
    class Name : public TFESimpleOneParamNumFunction {              \
        FE_CLASS(Name, TFESimpleOneParamNumFunction)                \
    public:                                                         \
        double EvaluateNum() override {                             \
            const double x = Param(0)->EvaluateNum();               \
            return (expression);                                    \
        }                                                           \
    };

double checked(double result, double x) {
    if (std::isinf(result) && std::isfinite(x))
        throw EOverflow(QStringLiteral("Floating point overflow"));
    return result;
}

double tanOf(double x) {
    const double c = std::cos(x), s = std::sin(x);
    if (c == 0)
        return std::copysign(kInf, s);
    return s / c;
}

double arcSin(double x) {
    if (x == 1)
        return M_PI / 2;
    if (x == -1)
        return -M_PI / 2;
    if (std::fabs(x) < 1)
        return std::atan(x / std::sqrt(1 - x * x));
    return 0;
}

double arcCos(double x) {
    if (x == 1)
        return 0;
    if (x == -1)
        return M_PI;
    if (std::fabs(x) < 1)
        return M_PI / 2 - std::atan(x / std::sqrt(1 - x * x));
    return 0;
}

long double sinhL(long double x) {
    if (x < kExpLow || x > kExpHigh)
        return std::copysign(static_cast<long double>(kInf), x);
    return (expl(x) - expl(-x)) / 2;
}

long double coshL(long double x) {
    if (x < kExpLow || x > kExpHigh)
        return kInf;
    return (expl(x) + expl(-x)) / 2;
}

double tanhOf(double x) {
    // beyond the range both are infinite: the quotient is the limit, +-1
    if (x < kExpLow || x > kExpHigh)
        return std::copysign(1.0, x);
    return static_cast<double>(sinhL(x) / coshL(x));
}

double arcTanh(double x) {
    if (std::fabs(x) < 1)
        return 0.5 * std::log((1 + x) / (1 - x));
    if (x == 1)
        return kInf;
    if (x == -1)
        return -kInf;
    return 0;
}

double sqrtOf(double x) {
    if (x < 0)
        invalidOp();
    return std::sqrt(x);
}

double lnOf(double x) {
    if (x == 0)
        throw EZeroDivide(QStringLiteral("Floating point division by zero"));
    if (x < 0)
        invalidOp();
    return std::log(x);
}

double logOf(double x) {
    if (x > 0)
        return std::log(x) * 0.4342944819032518;
    return x == 0 ? kInf : 0;
}

int32_t truncTo32(double x) {
    const double t = std::trunc(x);
    if (!(t >= -2147483648.0 && t <= 2147483647.0))
        invalidOp(); // not representable as a 32-bit integer
    return static_cast<int32_t>(t);
}

double ceilOf(double x) {
    const int32_t t = truncTo32(x);
    return x - std::trunc(x) > 0 ? static_cast<double>(t) + 1 : t;
}

FE_MATH1(TFESin, std::sin(x))
FE_MATH1(TFECos, std::cos(x))
FE_MATH1(TFETan, tanOf(x))
FE_MATH1(TFEArcSin, arcSin(x))
FE_MATH1(TFEArcCos, arcCos(x))
FE_MATH1(TFEArcTan, std::atan(x))
FE_MATH1(TFESinh, static_cast<double>(sinhL(x)))
FE_MATH1(TFECosh, static_cast<double>(coshL(x)))
FE_MATH1(TFETanh, tanhOf(x))
FE_MATH1(TFEArcSinh, std::asinh(x))
FE_MATH1(TFEArcCosh, x >= 1 ? std::acosh(x) : 0)
FE_MATH1(TFEArcTanh, arcTanh(x))
FE_MATH1(TFERadToDeg, x * (180 / M_PI))
FE_MATH1(TFEDegToRad, x * (M_PI / 180))
FE_MATH1(TFESqrt, sqrtOf(x))
FE_MATH1(TFEExp, checked(std::exp(x), x))
FE_MATH1(TFELn, lnOf(x))
FE_MATH1(TFELog, logOf(x))
FE_MATH1(TFEAbs, std::fabs(x))
FE_MATH1(TFESign, x > 0 ? 1 : (x < 0 ? -1 : 0))
FE_MATH1(TFEInt, std::trunc(x))
FE_MATH1(TFEFrac, x - std::trunc(x))
FE_MATH1(TFECeil, ceilOf(x))
FE_MATH1(TFEFloor, static_cast<double>(truncTo32(x)))

class TFERound : public TFENumFunction {
    FE_CLASS(TFERound, TFENumFunction)
public:
    TFERound() { FE_PARAMS(1, 2); }
    double EvaluateNum() override {
        const double x = Param(0)->EvaluateNum();
        const long long d = ParamCount() > 1 ? roundToInt64(Param(1)->EvaluateNum()) : 0;
        if (d == 0)
            return static_cast<double>(roundToInt64(x));
        if (d > 400 || d < -400)
            return d > 0 ? x : 0; // the scale is out of range: nothing left to round
        // the scale is kept in single precision
        const float s = static_cast<float>(expl(static_cast<long double>(d) * 2.302585092994045684L));
        const long double scaled = rintl(static_cast<long double>(x) * s);
        if (d > 0)
            return static_cast<double>(scaled / s);
        return static_cast<double>(rintl(scaled / s));
    }
};

// ---- chi-square ------------------------------------------------------------

constexpr long double kMachEp = 1.08420217248550443401e-19L; // 2^-63
constexpr long double kBig = 9.223372036854775808e18L;       // 2^63
constexpr long double kBigInv = 1.08420217248550443401e-19L;
constexpr long double kMaxLog = 11355.137111933024L;

long double igamc(long double a, long double x);

long double igam(long double a, long double x) {
    if (x <= 0 || a <= 0)
        return 0;
    if (x > 1 && x > a)
        return 1 - igamc(a, x);
    const long double ax = a * logl(x) - x - lgammal(a);
    if (ax < -kMaxLog)
        return 0;
    long double r = a, c = 1, ans = 1;
    do {
        r += 1;
        c *= x / r;
        ans += c;
    } while (c / ans > kMachEp);
    return ans * expl(ax) / a;
}

long double igamc(long double a, long double x) {
    if (x <= 0 || a <= 0)
        return 1;
    if (x < 1 || x < a)
        return 1 - igam(a, x);
    const long double ax = a * logl(x) - x - lgammal(a);
    if (ax < -kMaxLog)
        return 0;
    long double y = 1 - a, z = x + y + 1, c = 0;
    long double pkm2 = 1, qkm2 = x, pkm1 = x + 1, qkm1 = z * x;
    long double ans = pkm1 / qkm1, t;
    do {
        c += 1;
        y += 1;
        z += 2;
        const long double yc = y * c;
        const long double pk = pkm1 * z - pkm2 * yc;
        const long double qk = qkm1 * z - qkm2 * yc;
        if (qk != 0) {
            const long double r = pk / qk;
            t = fabsl((ans - r) / r);
            ans = r;
        } else {
            t = 1;
        }
        pkm2 = pkm1;
        pkm1 = pk;
        qkm2 = qkm1;
        qkm1 = qk;
        if (fabsl(pk) > kBig) {
            pkm2 *= kBigInv;
            pkm1 *= kBigInv;
            qkm2 *= kBigInv;
            qkm1 *= kBigInv;
        }
    } while (t > kMachEp);
    return ans * expl(ax);
}

class TFEFKhi2 : public TFENumFunction {
    FE_CLASS(TFEFKhi2, TFENumFunction)
public:
    TFEFKhi2() { FE_PARAMS(2, 2); }
    double EvaluateNum() override {
        const long long n = roundToInt64(Param(0)->EvaluateNum());
        const double x = Param(1)->EvaluateNum();
        return FKhi2(static_cast<int>(std::clamp<long long>(n, -1, INT32_MAX)), x);
    }
};

class TFEInverseFKhi2 : public TFENumFunction {
    FE_CLASS(TFEInverseFKhi2, TFENumFunction)
public:
    TFEInverseFKhi2() { FE_PARAMS(2, 2); }
    double EvaluateNum() override {
        const long long n = roundToInt64(Param(0)->EvaluateNum());
        const double p = Param(1)->EvaluateNum();
        return InverseFKhi2(static_cast<int>(std::clamp<long long>(n, -1, INT32_MAX)), p);
    }
};

// ---- random numbers ---------------------------------------------------------

class TFERand : public TFEFunction {
    FE_CLASS(TFERand, TFEFunction)
public:
    TFERand() { FE_PARAMS(0, 0); }
    Variant Evaluate() override { return Variant(QRandomGenerator::global()->generateDouble()); }
};

struct GaussState {
    QMutex lock;
    uint32_t x = 1802, y = 9373, cx = 0, cy = 0;
    bool haveKept = false;
    double kept = 0;

    double uniform() {
        const uint32_t nx = 18000 * x + cx;
        x = nx & 0xFFFF;
        cx = nx >> 16;
        const uint32_t ny = 30903 * y + cy;
        y = ny & 0xFFFF;
        cy = ny >> 16;
        const int32_t out = static_cast<int32_t>((x << 16) + y);
        return (static_cast<double>(out) + 2147483648.0) / 4294967296.0;
    }
};

GaussState& gauss() {
    static GaussState state;
    return state;
}

class TFEGaussRand : public TFEFunction {
    FE_CLASS(TFEGaussRand, TFEFunction)
public:
    TFEGaussRand() { FE_PARAMS(0, 0); }
    Variant Evaluate() override {
        GaussState& g = gauss();
        QMutexLocker guard(&g.lock);
        if (g.haveKept) {
            g.haveKept = false;
            return Variant(g.kept);
        }
        const double u1 = g.uniform();
        const double u2 = g.uniform();
        const double r = std::sqrt(-2 * lnOf(u1));
        const double theta = 2 * M_PI * u2;
        g.kept = r * std::sin(theta);
        g.haveKept = true;
        return Variant(r * std::cos(theta));
    }
};

} // namespace

double FKhi2(int nu, double x) {
    if (nu <= 0 || x <= 0)
        return 0;
    return static_cast<double>(igam(static_cast<long double>(nu) / 2, static_cast<long double>(x) / 2));
}

double InverseFKhi2(int nu, double p) {
    double x = 2.0 * nu * p;
    double f = FKhi2(nu, x);
    double step = x / 2;
    for (int i = 0; i < 100 && std::fabs(f - p) > 1e-6; ++i) {
        if (f > p) {
            double s = step;
            if (x - step < 0)
                s = x;
            const double x2 = x - s;
            const double f2 = FKhi2(nu, x2);
            if (f2 > p) {
                x = x2;
                f = f2;
                step = 2 * s;
            } else {
                step = s / 2;
                x -= step;
                f = FKhi2(nu, x);
            }
        } else {
            const double x2 = x + step;
            const double f2 = FKhi2(nu, x2);
            if (f2 >= p) {
                step /= 2;
                x += step;
                f = FKhi2(nu, x);
            } else {
                x = x2;
                f = f2;
                step *= 2;
            }
        }
    }
    return x;
}

void ResetGaussRand() {
    GaussState& g = gauss();
    QMutexLocker guard(&g.lock);
    g.x = 1802;
    g.y = 9373;
    g.cx = g.cy = 0;
    g.haveKept = false;
    g.kept = 0;
}

void CollectMathFunctions(std::vector<const TFEClass*>& out) {
    out.insert(out.end(),
               {&TFESin::StaticClass(),       &TFECos::StaticClass(),          &TFETan::StaticClass(),
                &TFEArcSin::StaticClass(),    &TFEArcCos::StaticClass(),       &TFEArcTan::StaticClass(),
                &TFESinh::StaticClass(),      &TFECosh::StaticClass(),         &TFETanh::StaticClass(),
                &TFEArcSinh::StaticClass(),   &TFEArcCosh::StaticClass(),      &TFEArcTanh::StaticClass(),
                &TFERadToDeg::StaticClass(),  &TFEDegToRad::StaticClass(),     &TFESqrt::StaticClass(),
                &TFEExp::StaticClass(),       &TFELn::StaticClass(),           &TFELog::StaticClass(),
                &TFEAbs::StaticClass(),       &TFESign::StaticClass(),         &TFEInt::StaticClass(),
                &TFEFrac::StaticClass(),      &TFECeil::StaticClass(),         &TFEFloor::StaticClass(),
                &TFERound::StaticClass(),     &TFEFKhi2::StaticClass(),        &TFEInverseFKhi2::StaticClass(),
                &TFERand::StaticClass(),      &TFEGaussRand::StaticClass()});
}
