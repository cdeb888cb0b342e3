#include "OperatorSession.h"

void TOperatorSession::Reset() {
    OperatorName.clear();
    Permit = 0;
    Rights.Clear();
}

void TOperatorSession::LogIn(const String& name, int permit) {
    OperatorName = name;
    Permit = permit;
    Rights.Clear();
}

TOperatorSession& OperatorSession() {
    static TOperatorSession session;
    return session;
}
