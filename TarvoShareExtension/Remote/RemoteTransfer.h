#pragma once
// The upload engine: copies one local file into the user's server over the command stream,
// with no upload endpoint on the server. A small Python writer started on the server takes the
// file as base64 lines on its standard input; the engine then checks through the REST API that
// the remote file is there with the local size.
//
// An object with no state besides its executor, made once by whoever builds the program's
// environment (ShareEnvironment) and passed to the flows that upload. Uploads run on its serial
// executor, a strand of the background queue it was made with, which each gives up while it
// waits for the network or a timer, so several uploads may be in flight, each on its own
// channel. Progress callbacks run on that executor, never on the main thread. The background
// queue must outlive the engine and its uploads.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "Core/TransferProgress.h"
#include "TarvoShareExtension/Remote/RemoteAPI.h"
#include "TarvoShareExtension/Remote/RemoteTransferError.h"
#include "TarvoShareExtension/Remote/StreamTransport.h"
#include "platform/concurrency/Async.h"
#include "platform/concurrency/BackgroundQueue.h"
#include "platform/foundation/Url.h"

namespace tarvo {

class RemoteTransfer {
public:
    using ProgressCallback = std::function<void(const TransferProgress&)>;

    explicit RemoteTransfer(platform::BackgroundQueue& background);

    // Uploads the file to destFolder/name (name: destName when given, even empty, else the
    // local file's name; both made safe) and returns that remote relative path once the server
    // holds the whole file. The content type has no effect. The file is read 32 KiB at a time,
    // never whole.
    platform::Async<std::string> uploadLocalFileStreaming(RemoteAPI api, platform::URL localURL,
                                                          std::string destFolder,
                                                          std::optional<std::string> destName,
                                                          std::optional<std::string> contentType,
                                                          ProgressCallback progress) const;

    // The transfer itself: start frame, one stdin frame per 32 KiB chunk, the end frame, then
    // the writer's exit frame.
    platform::Async<void> uploadLocalFileViaCmdStream(RemoteAPI api, platform::URL localURL,
                                                      std::string destRelPath, ProgressCallback progress) const;
    // Throws RemoteTransferError::uploadFailed unless the server reports a file of the local size.
    platform::Async<void> verifyUploadedFile(RemoteAPI api, platform::URL localURL, std::string destRelPath) const;

    // The folder rule of normalizeCommandPath: relative, no empty, "." or ".." pieces.
    static std::string normalizeRelPath(std::string_view text);
    // The last path component, with "/" pieces joined by "-" and NULs removed; "shared.bin"
    // for an empty, "." or ".." result.
    static std::string safeFileName(std::string_view text);
    // The size of the file (a symbolic link counts with the size of its target). Throws the
    // file system's error.
    static std::int64_t localFileSize(const platform::URL& url);
    // receiveCmdFrameWithSoftTimeout, as the engine uses it.
    static platform::Async<std::optional<StreamMessage>> receiveWithSoftTimeout(std::shared_ptr<StreamChannel> channel,
                                                                               double seconds);

    // The program the server runs with "python3 -u -c": it writes its input to a temporary file
    // beside the destination and renames it into place only after the "__END__" line, so a
    // broken upload never destroys or half-writes the destination.
    static const std::string& writerScript();

    // The stdin frame that carries one chunk: {"stdin":"<base64 of bytes>\n"}.
    static std::string stdinFrame(std::string_view bytes);

    static constexpr std::size_t kChunkBytes = 32768;
    // Chunks written to the channel with one wait (1 MiB of the file).
    static constexpr std::size_t kChunksPerBatch = 32;

private:
    platform::Executor executor_;
};

}  // namespace tarvo
