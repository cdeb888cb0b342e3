// Strings and the exception tree of the class layer.
//
// `String` is UTF-8 throughout; conversions to UTF-16 and GBK live in Encoding.h.
// Every failure of the layer is raised as a class below, each carrying its message text.
#pragma once

#include <stdexcept>
#include <string>

using String = std::string;

class Exception : public std::exception {
public:
    explicit Exception(String message) : Message(std::move(message)) {}
    const char* what() const noexcept override { return Message.c_str(); }
    String Message;
};

// Declares `Name` deriving from `Base` with the same constructor.
#define VESTREL_EXCEPTION(Name, Base)      \
    class Name : public Base {             \
    public:                                \
        using Base::Base;                  \
    }

VESTREL_EXCEPTION(EAbort, Exception);
VESTREL_EXCEPTION(EConvertError, Exception);
VESTREL_EXCEPTION(EInvalidCast, Exception);
VESTREL_EXCEPTION(EInvalidOperation, Exception);
VESTREL_EXCEPTION(EInvalidArgument, Exception);
VESTREL_EXCEPTION(EOutOfMemory, Exception);
VESTREL_EXCEPTION(EInOutError, Exception);
VESTREL_EXCEPTION(EListError, Exception);
VESTREL_EXCEPTION(EStringListError, Exception);
VESTREL_EXCEPTION(EComponentError, Exception);
VESTREL_EXCEPTION(EPropertyError, Exception);
VESTREL_EXCEPTION(EIniFileException, Exception);
VESTREL_EXCEPTION(EMathError, Exception);
VESTREL_EXCEPTION(EZeroDivide, EMathError);
VESTREL_EXCEPTION(EOverflow, EMathError);
VESTREL_EXCEPTION(EIntError, Exception);
VESTREL_EXCEPTION(EDivByZero, EIntError);
VESTREL_EXCEPTION(EIntOverflow, EIntError);
VESTREL_EXCEPTION(ERangeError, EIntError);
VESTREL_EXCEPTION(EVariantError, Exception);
VESTREL_EXCEPTION(EVariantTypeCastError, EVariantError);
VESTREL_EXCEPTION(EStreamError, Exception);
VESTREL_EXCEPTION(EFOpenError, EStreamError);
VESTREL_EXCEPTION(EFCreateError, EStreamError);
VESTREL_EXCEPTION(EReadError, EStreamError);
VESTREL_EXCEPTION(EWriteError, EStreamError);
VESTREL_EXCEPTION(EFilerError, EStreamError);
VESTREL_EXCEPTION(EClassNotFound, EFilerError);
VESTREL_EXCEPTION(EMethodNotFound, EFilerError);
VESTREL_EXCEPTION(EDatabaseError, Exception);
VESTREL_EXCEPTION(EADOError, EDatabaseError);
VESTREL_EXCEPTION(EOleError, Exception);
VESTREL_EXCEPTION(EOleSysError, EOleError);
VESTREL_EXCEPTION(EOleException, EOleSysError);
