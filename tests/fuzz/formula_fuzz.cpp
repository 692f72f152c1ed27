// Formula texts come from documents: parse, fold, print and evaluate any bytes
// without crashing, hanging or exhausting the stack.
#include "UFormulaFunctions.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static TBaseFormulaParser parser;
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    try {
        auto root = parser.Parse(text);
        const QString canonical = root->ToText();
        try {
            root->Optimize();
        } catch (const Exception&) {
        }
        try {
            root->Evaluate();
            root->EvaluateString();
            root->EvaluateNum();
        } catch (const Exception&) {
        }
        // the canonical text parses back
        parser.Parse(canonical);
    } catch (const ESyntaxError&) {
    }
    return 0;
}
