#pragma once
// The function library of the standard formula language (registered by
// TBaseFormulaParser after the operators), and the few process-wide services
// it reads.

#include "UFormulaParser.h"

// Process-wide named values read by GlobalVar (nothing in the program writes
// them; tools and tests may).
void SetGlobalVar(const QString& name, const Variant& value);
bool ReadGlobalVar(const QString& name, Variant& value);
void ClearGlobalVars();

// Restarts GaussRand's generator at its start-up seed.
void ResetGaussRand();

// The date-or-number reading of a text: "" and "N/A" give 0; a locale date
// and/or time ("31/12/2015", "10:20", "31/12/2015 10:20"); an ISO 8601 date or
// date-time ("2015-06-01", "20150601", "2015-06-01T10:20:30Z"); a number; a
// dotted date ("31.12.2015"); 0 when nothing applies.
double DateOrNumberFromText(const QString& text);

// The chi-square distribution function P(nu/2, x/2) and its inverse.
double FKhi2(int nu, double x);
double InverseFKhi2(int nu, double p);
