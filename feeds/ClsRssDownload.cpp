// ClsRss: downloading a feed.
#include "feeds/ClsRss.h"
#include "feeds/internal/FeedDownload.h"
#include "foundation/base/MethodFrame.h"

namespace quorvel {

bool ClsRss::DownloadRss(const XString &url, ProgressEvent *progress) {
    MethodFrame frame(*this, this, "DownloadRss");
    XString text;
    const bool downloaded = downloadFeedText(url, true, text, progress, frame.log());
    // A failed download leaves the document as it was.
    if (downloaded) loadDownloadedText(m_xml, text, frame.log());
    return frame.finish(downloaded);
}

}  // namespace quorvel
