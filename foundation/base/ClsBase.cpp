#include "foundation/base/ClsBase.h"

#include "foundation/text/StringBuffer.h"
#include "foundation/text/XString.h"

namespace quorvel {

namespace {

enum class LogForm { Text, Xml, Html };

// Callers get CR LF line ends whatever the entries held.
void getLogForm(LogBase &log, LogForm form, XString &out) {
    StringBuffer text;
    switch (form) {
        case LogForm::Text: log.getText(text); break;
        case LogForm::Xml: log.getXml(text); break;
        case LogForm::Html: log.getHtml(text); break;
    }
    text.toCRLF();
    out.setFromSb(text);
}

}  // namespace

ClsBase::ClsBase() : m_verboseLogging(false) {}

ClsBase::~ClsBase() = default;

void ClsBase::get_Version(XString &out) const { out.setFromUtf8(kVersion); }

void ClsBase::reservedSlot() {}

bool ClsBase::get_VerboseLogging() { return m_verboseLogging; }

void ClsBase::put_VerboseLogging(bool on) {
    m_verboseLogging = on;
    m_log.setVerbose(on);
}

void ClsBase::get_DebugLogFilePath(XString &out) { m_log.getDebugLogFilePath(out); }

void ClsBase::put_DebugLogFilePath(const XString &path) { m_log.setDebugLogFilePath(path); }

void ClsBase::get_LastErrorText(XString &out) { getLogForm(m_log, LogForm::Text, out); }

void ClsBase::get_LastErrorXml(XString &out) { getLogForm(m_log, LogForm::Xml, out); }

void ClsBase::get_LastErrorHtml(XString &out) { getLogForm(m_log, LogForm::Html, out); }

bool ClsBase::SaveLastError(const XString &path) {
    XString trimmed;
    if (!trimmed.copyFrom(path)) return false;
    trimmed.trim();
    if (trimmed.isEmpty()) return false;
    return m_log.saveXml(false, trimmed);
}

void ClsBase::logExceptionText(const char *text) { m_log.logData("Exception", text); }

void ClsBase::logErrorInMethod(const char *methodName, const char *message) {
    beginMethod(methodName);
    m_log.logError(message);
    endMethod();
}

}  // namespace quorvel
