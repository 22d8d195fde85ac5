#include "session/CCallRecord.h"

#include "session/SessionText.h"

CCallRecord::~CCallRecord() = default;

bool CCallRecord::AssignText(std::string& field, const char* text, int length) {
    return kestrava::AssignCutText(field, text, length);
}
