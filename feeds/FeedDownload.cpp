#include "feeds/internal/FeedDownload.h"

#include <memory>

#include "foundation/log/LogBase.h"
#include "foundation/text/XString.h"
#include "http/ClsHttp.h"
#include "xml/object/ClsXml.h"

namespace quorvel {

bool downloadFeedText(const XString &url, bool logSettings, XString &text, ProgressEvent *progress, LogBase &log) {
    text.clear();
    std::unique_ptr<ClsHttp> http = ClsHttp::createNew();
    if (!http) {
        log.logError("Memory allocation failed.");
        return false;
    }
    http->setBrowserDefaults(true);
    http->setFetchFromCache(false);
    http->setUpdateCache(false);
    // A hostile server cannot make the download hold more than this.
    http->setMaxResponseSize(ClsHttp::kFeedMaxResponseSize);
    if (logSettings) {
        log.logDataX("url", url);
        log.logDataInt("connectTimeout", http->connectTimeoutSeconds());
        log.logDataInt("readTimeout", http->readTimeoutSeconds());
    }
    return http->httpRequestStr("GET", url, text, progress, log);
}

void loadDownloadedText(ClsXml &xml, const XString &text, LogBase &log) {
    // Loading text without '<' could only ever treat it as a file name: a server must not be
    // able to name a local file to read.
    if (!text.containsUtf8("<")) {
        log.logError("The response holds no XML.");
        return;
    }
    if (!xml.LoadXml(text)) log.logError("The response holds no XML element.");
}

}  // namespace quorvel
