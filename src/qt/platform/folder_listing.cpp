#include "qt/platform/folder_listing.h"

#include <QFile>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <system_error>
#include <utility>

namespace framory::qt {

namespace {

// How often a listing hands what it has read so far over: often enough
// that a list visibly fills, seldom enough that a huge folder costs a few
// hundred small updates, not one per name.
constexpr std::chrono::milliseconds kBatchInterval{50};

} // namespace

FolderListing::FolderListing(Receiver receiver, QObject* parent) : QObject(parent), m_receiver(std::move(receiver)) {}

// The thread is joined here, before the QObject it hands names to goes.
FolderListing::~FolderListing()
{
    stop();
}

bool FolderListing::NameOrder(const QString& a, const QString& b)
{
    const int c = a.compare(b, Qt::CaseInsensitive);
    return c != 0 ? c < 0 : a < b;
}

void FolderListing::stop()
{
    if (m_thread.joinable()) {
        m_thread.request_stop();
        m_thread.join();
    }
}

void FolderListing::start(const QString& folder, Entries entries, std::function<bool(const std::string&)> accept)
{
    stop();
    m_complete = false;
    try {
        m_thread = std::jthread([this, path = QFile::encodeName(folder).toStdString(), entries,
                                 accept = std::move(accept)](std::stop_token token) mutable {
            read(std::move(token), std::move(path), entries, std::move(accept));
        });
    } catch (const std::system_error&) {
        // No thread to be had: the list stays empty rather than the
        // user-interface thread reading a possibly huge folder itself.
        m_complete = true;
        m_receiver({}, true);
    }
}

void FolderListing::read(std::stop_token token, std::string folder, Entries entries,
                         std::function<bool(const std::string&)> accept)
{
    QStringList all;
    QStringList pending;
    auto last_hand_over = std::chrono::steady_clock::now();
    std::error_code error;
    std::filesystem::directory_iterator entry(folder, error);
    const std::filesystem::directory_iterator end;
    for (; !error && entry != end; entry.increment(error)) {
        if (token.stop_requested()) {
            return;
        }
        const std::string name = entry->path().filename().string();
        std::error_code type_error;
        const bool wanted = entries == Entries::Subfolders
                                ? entry->is_directory(type_error)
                                : !name.empty() && name.front() != '.' && (!accept || accept(name)) &&
                                      entry->is_regular_file(type_error);
        if (!wanted) {
            continue;
        }
        const QString shown = QFile::decodeName(QByteArray::fromStdString(name));
        all.append(shown);
        pending.append(shown);
        if (std::chrono::steady_clock::now() - last_hand_over >= kBatchInterval) {
            hand_over(token, std::exchange(pending, {}), false);
            last_hand_over = std::chrono::steady_clock::now();
        }
    }
    std::sort(all.begin(), all.end(), NameOrder);
    hand_over(token, std::move(all), true);
}

void FolderListing::hand_over(const std::stop_token& token, QStringList names, bool complete)
{
    // The names go to this object's thread; a listing stopped meanwhile
    // hands nothing over, however late its names arrive there.
    QMetaObject::invokeMethod(
        this,
        [this, token, names = std::move(names), complete] {
            if (token.stop_requested()) {
                return;
            }
            m_complete = complete;
            // A copy: the receiver may end this listing.
            const Receiver receiver = m_receiver;
            receiver(names, complete);
        },
        Qt::QueuedConnection);
}

} // namespace framory::qt
