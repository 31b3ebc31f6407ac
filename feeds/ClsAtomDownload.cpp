// ClsAtom: downloading a feed.
#include "feeds/ClsAtom.h"
#include "feeds/internal/FeedDownload.h"
#include "foundation/base/MethodFrame.h"

namespace quorvel {

bool ClsAtom::DownloadAtom(const XString &url, ProgressEvent *progress) {
    MethodFrame frame(*this, this, "DownloadAtom");
    XString text;
    const bool downloaded = downloadFeedText(url, false, text, progress, frame.log());
    // A failed download leaves a single empty root "unnamed".
    if (downloaded)
        loadDownloadedText(m_xml, text, frame.log());
    else
        m_xml.Clear();
    return frame.finish(downloaded);
}

}  // namespace quorvel
