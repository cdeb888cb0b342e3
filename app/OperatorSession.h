// The logged-in operator of this run: name, permission level and rights. The login dialog fills it;
// every window that filters lists by owner or gates a command by a right reads it from here.
#pragma once

#include "AppLogic.h"
#include "U_CustomLogic.h"

class TOperatorSession {
public:
    String OperatorName;  // at most 20 GBK bytes; empty before the first login
    int Permit = 0;
    TRights Rights;       // all false before the first login

    // Nobody logged in, every right false (a new main window starts so).
    void Reset();
    // A successful login of `name` at level `permit`; the rights are cleared until loaded.
    void LogIn(const String& name, int permit);
    // Whose persons the lists show: everyone's with right 35, else the operator's own.
    TPersonScope PersonScope() const { return {Rights[35], OperatorName}; }
};

// The program's one session.
TOperatorSession& OperatorSession();
