#include "TarvoShareExtension/Remote/RemoteTransfer.h"

#include <algorithm>
#include <vector>

#include "TarvoShareExtension/Remote/CmdStream.h"
#include "platform/concurrency/Cancellation.h"
#include "platform/concurrency/Task.h"
#include "platform/filesystem/FileAttributes.h"
#include "platform/filesystem/FileHandle.h"
#include "platform/filesystem/SecurityScope.h"
#include "platform/foundation/Base64.h"
#include "platform/foundation/Text.h"

namespace tarvo {

using platform::Async;
using platform::Json;

namespace {

// Runs on the server as `python3 -u -c <script> <path>`. The destination is replaced only by a
// complete file: the input goes to a temporary file in the same folder, and only the "__END__"
// line lets it be renamed over the destination (keeping an existing file's permissions). The
// temporary name keeps at most 40 characters of the destination's (160 bytes of UTF-8), so a
// destination name near the file system's 255-byte limit still fits beside it. An input
// that ends early, bad base64 or a write failure exits non-zero with the reason on standard error
// and removes the temporary file.
const char kWriterScript[] = R"PY(import sys,os,base64,tempfile
p=sys.argv[1]
d=os.path.dirname(p)
if d:os.makedirs(d,exist_ok=True)
m=os.umask(0);os.umask(m)
try:s=os.stat(p).st_mode&0o7777
except OSError:s=0o666&~m
fd,t=tempfile.mkstemp(dir=d or '.',prefix='.'+os.path.basename(p)[:40]+'.',suffix='.part')
try:
 with os.fdopen(fd,'wb') as f:
  for l in sys.stdin.buffer:
   l=l.strip()
   if l==b'__END__':break
   if l:f.write(base64.b64decode(l,validate=True))
  else:sys.exit('upload incomplete: the input ended before __END__')
 os.chmod(t,s)
 os.replace(t,p)
except BaseException:
 try:os.unlink(t)
 except OSError:pass
 raise
print('ok')
)PY";

constexpr const char* kEndFrame = "{\"stdin\":\"__END__\\n\"}";


// The writer runs "interactive" so that the server feeds it the stdin frames, and not
// "persist": the upload lives only as long as its stream.
Json uploadStartFrame(const std::string& destRelPath) {
    Json frame = cmdStartFrame("python3", {"-u", "-c", RemoteTransfer::writerScript(), destRelPath}, "", true);
    frame["persist"] = false;
    return frame;
}

// Sends frames while the file streams. A send that fails because the upload was cancelled
// reports the cancellation itself, as a cancellation between two chunks does.
Async<void> sendChunks(const std::shared_ptr<StreamChannel>& channel, std::vector<std::string> frames) {
    std::exception_ptr failure;
    try {
        co_await channel->sendAll(std::move(frames));
    } catch (...) {
        failure = std::current_exception();
    }
    if (!failure) co_return;
    if (co_await platform::isCancelled()) throw platform::CancellationError();
    std::rethrow_exception(failure);
}

}  // namespace

RemoteTransfer::RemoteTransfer(platform::BackgroundQueue& background) : executor_(background.makeSerialExecutor()) {}

std::string RemoteTransfer::stdinFrame(std::string_view bytes) {
    // {"stdin":"<base64>\n"}, written in place: base64 needs no JSON escaping.
    static constexpr std::string_view head = "{\"stdin\":\"";
    static constexpr std::string_view tail = "\\n\"}";
    // Encoded through a small block that stays in cache and appended, rather than into a string
    // sized (and so zero-filled) first: one pass over the frame's memory instead of two. Blocks
    // of a multiple of three bytes encode to the same text as the whole.
    constexpr std::size_t kBlockBytes = 3 * 1024;
    std::string frame;
    frame.reserve(head.size() + platform::base64EncodedSize(bytes.size()) + tail.size());
    frame.append(head);
    char block[platform::base64EncodedSize(kBlockBytes)];
    for (std::size_t at = 0; at < bytes.size(); at += kBlockBytes) {
        const std::size_t n = std::min(kBlockBytes, bytes.size() - at);
        const char* end = platform::base64EncodeTo(bytes.data() + at, n, block);
        frame.append(block, static_cast<std::size_t>(end - block));
    }
    frame.append(tail);
    return frame;
}

const std::string& RemoteTransfer::writerScript() {
    static const std::string script(kWriterScript);
    return script;
}

std::string RemoteTransfer::normalizeRelPath(std::string_view text) { return normalizeCommandPath(text); }

std::string RemoteTransfer::safeFileName(std::string_view text) {
    std::string s = platform::text::trimmed(text);
    // The last path component: trailing "/" ignored, a path of slashes only is "/".
    while (s.size() > 1 && s.back() == '/') s.pop_back();
    if (s != "/") {
        const auto slash = s.rfind('/');
        if (slash != std::string::npos) s = s.substr(slash + 1);
    }
    s = platform::text::trimmed(s);
    std::string joined;
    for (const auto& piece : platform::text::components(s, "/")) {
        if (piece.empty()) continue;
        if (!joined.empty()) joined += "-";
        joined += piece;
    }
    std::erase(joined, '\0');
    if (joined.empty() || joined == "." || joined == "..") return "shared.bin";
    return joined;
}

std::int64_t RemoteTransfer::localFileSize(const platform::URL& url) {
    const auto attributes = platform::attributesOfItem(url.path());
    if (attributes.type == platform::FileAttributes::Type::symbolicLink) {
        // The link's own size says nothing about the bytes that will be read through it.
        return platform::fileSizeResourceValue(url).value_or(0);
    }
    return attributes.size;
}

Async<std::optional<StreamMessage>> RemoteTransfer::receiveWithSoftTimeout(std::shared_ptr<StreamChannel> channel,
                                                                          double seconds) {
    return receiveCmdFrameWithSoftTimeout(std::move(channel), seconds);
}

Async<std::string> RemoteTransfer::uploadLocalFileStreaming(RemoteAPI api, platform::URL localURL,
                                                            std::string destFolder,
                                                            std::optional<std::string> destName,
                                                            std::optional<std::string> contentType,
                                                            ProgressCallback progress) const {
    const RemoteTransfer* engine = this;
    auto body = [engine, api, localURL, destFolder, destName, progress]() -> Async<std::string> {
        const std::string folder = normalizeRelPath(destFolder);
        const std::string name = safeFileName(destName ? *destName : localURL.lastPathComponent());
        const std::string remotePath = folder.empty() ? name : folder + "/" + name;
        co_await engine->uploadLocalFileViaCmdStream(api, localURL, remotePath, progress);
        co_await engine->verifyUploadedFile(api, localURL, remotePath);
        co_return remotePath;
    };
    co_return co_await platform::runOn(executor_, std::move(body));
}

Async<void> RemoteTransfer::uploadLocalFileViaCmdStream(RemoteAPI api, platform::URL localURL,
                                                        std::string destRelPath, ProgressCallback progress) const {
    auto channel = co_await api.openCmdStream();
    const platform::Executor here = co_await platform::currentExecutor();
    ChannelCloseGuard closer(channel, here);

    const std::string start = encodeCmdFrame(uploadStartFrame(destRelPath));
    co_await channel->send(start);

    platform::SecurityScopedAccess scope(localURL);
    const std::int64_t total = localFileSize(localURL);
    std::optional<platform::FileHandle> input;
    try {
        input.emplace(platform::FileHandle::forReading(localURL.path()));
    } catch (const std::exception&) {
        input.reset();
    }
    if (!input) throw RemoteTransferError::uploadFailed("Could not open local file.");

    std::vector<char> buffer(kChunkBytes);
    std::int64_t sent = 0;
    auto report = [&] {
        if (!progress) return;
        TransferProgress p;
        p.direction = TransferDirection::upload;
        p.doneBytes = sent;
        if (total >= 1) p.totalBytes = total;
        progress(p);
    };
    // The chunks go out a batch at a time: one wait for the network per batch rather than per
    // chunk, which is what the upload's CPU time was spent on. Each chunk is still read, framed
    // and reported on its own, and the reports follow the writes of their frames.
    bool ended = false;
    while (!ended) {
        std::vector<std::string> frames;
        std::vector<std::size_t> chunkSizes;
        frames.reserve(kChunksPerBatch + 1);
        chunkSizes.reserve(kChunksPerBatch);
        while (chunkSizes.size() < kChunksPerBatch) {
            co_await platform::checkCancellation();
            std::size_t n = 0;
            std::optional<std::string> readFailure;
            try {
                n = input->read(buffer.data(), buffer.size());
            } catch (const std::exception& e) {
                readFailure = platform::describeError(e);
                if (readFailure->empty()) readFailure = "Could not read local file.";
            }
            if (readFailure) throw RemoteTransferError::uploadFailed(*readFailure);
            if (n == 0) {
                frames.emplace_back(kEndFrame);
                ended = true;
                break;
            }
            frames.push_back(stdinFrame(std::string_view(buffer.data(), n)));
            chunkSizes.push_back(n);
        }
        co_await sendChunks(channel, std::move(frames));
        for (const std::size_t n : chunkSizes) {
            sent += static_cast<std::int64_t>(n);
            report();
        }
    }
    report();
    input.reset();

    // Success depends on the writer's exit code alone; what it printed only explains a failure.
    CmdStreamWait wait{api.cmdStreamLimits.receiveSeconds, api.cmdStreamLimits.uploadExitSeconds,
                       "Upload timed out while waiting for the server write to finish."};
    co_await receiveCmdOutputUntilExit(channel, std::move(wait));
}

Async<void> RemoteTransfer::verifyUploadedFile(RemoteAPI api, platform::URL localURL, std::string destRelPath) const {
    const std::int64_t local = localFileSize(localURL);
    const FileStatResponse stat = co_await api.stat(destRelPath);
    if (stat.type != "file") {
        throw RemoteTransferError::uploadFailed("verification failed: remote path is " + stat.type + ", not file");
    }
    if (!stat.size) throw RemoteTransferError::uploadFailed("verification failed: server did not return remote size");
    if (*stat.size != local) {
        throw RemoteTransferError::uploadFailed("verification failed: local size " + std::to_string(local) +
                                                " bytes, remote size " + std::to_string(*stat.size) + " bytes");
    }
}

}  // namespace tarvo
