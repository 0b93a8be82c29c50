#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <string>
#include <thread>

namespace framory::qt {

// Reads one folder at a time on a thread of its own, so that a folder of a
// hundred thousand files, or one on a volume that does not answer at once,
// never holds the user-interface thread. One stop token ends a listing: a
// new start, stop() and the destructor each ask the thread to stop at its
// next name and wait for it, so no thread outlives its listing and nothing
// of a stopped listing arrives afterwards. (A read that the file system
// itself holds up is waited for; the thread cannot leave it earlier.)
class FolderListing : public QObject {
public:
    enum class Entries {
        // Ordinary files, not hidden ones, that `accept` takes by name.
        Files,
        // Folders, hidden ones too.
        Subfolders,
    };
    // Called on the thread the listing belongs to: with the names read so
    // far in the folder's own order while it is read (`complete` false),
    // then once with all of them in NameOrder (`complete` true). A folder
    // that cannot be read lists what was read of it, maybe nothing.
    using Receiver = std::function<void(const QStringList& names, bool complete)>;

    explicit FolderListing(Receiver receiver, QObject* parent = nullptr);
    ~FolderListing() override;
    FolderListing(const FolderListing&) = delete;
    FolderListing& operator=(const FolderListing&) = delete;

    void start(const QString& folder, Entries entries,
               std::function<bool(const std::string& name)> accept = {});
    void stop();
    // Whether the listing last started has handed over all its names.
    bool complete() const { return m_complete; }

    // The order of the names as shown: without regard to case, then by
    // their characters.
    static bool NameOrder(const QString& a, const QString& b);

private:
    void read(std::stop_token token, std::string folder, Entries entries,
              std::function<bool(const std::string&)> accept);
    void hand_over(const std::stop_token& token, QStringList names, bool complete);

    Receiver m_receiver;
    bool m_complete = true;
    std::jthread m_thread;
};

} // namespace framory::qt
