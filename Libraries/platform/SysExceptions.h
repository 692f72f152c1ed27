#pragma once
// The root of every error the system raises. Messages are UTF-16 text; what()
// gives them as UTF-8 for the C++ machinery, className() gives the documented
// class name ("EFilerException", ...) for callers that report it.

#include <QByteArray>
#include <QString>
#include <exception>

class Exception : public std::exception {
public:
    explicit Exception(const QString& message);
    const char* what() const noexcept override;
    const QString& message() const noexcept { return FMessage; }
    virtual QString className() const { return QStringLiteral("Exception"); }

private:
    QString FMessage;
    QByteArray FUtf8;
};

// Declares an exception class with the documented name, constructors of its base.
#define LORVANE_DECLARE_EXCEPTION(Name, Base)                               \
    class Name : public Base {                                              \
    public:                                                                 \
        using Base::Base;                                                   \
        QString className() const override { return QStringLiteral(#Name); } \
    }

// Conversion failures (bad number text, wrong Format argument, Assign misuse).
LORVANE_DECLARE_EXCEPTION(EConvertError, Exception);
