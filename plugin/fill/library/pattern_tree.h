// The fill pattern library: one always current picture of the Fills folder
// (its sub-folders, ".mid" patterns and ".vol" volumes), shared by every
// engine of the module. A folder watcher reports disk changes; the rescan runs
// on the thread that created the tree, through its hidden updater window.
//
// The tree's nodes never leave it: callers get copies (listings, streams,
// tracks), so a rescan can free nodes at any time.
#pragma once

#include "plugin/fill/library/folder_tree_control.h"
#include "plugin/fill/library/pattern_listing.h"
#include "plugin/framework/folders/change_observer.h"
#include "plugin/framework/folders/folder_node.h"
#include "plugin/framework/midi/midi_track.h"

#include "base/critical_section.h"

#include <windows.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace Quorvane {

class PatternTree : public ChangeObserver {
public:
    // Called on the window thread after every rescan that a disk change
    // caused.
    using ChangeCallback = std::function<void()>;

    // Creates the updater window on the calling thread, which must pump
    // messages for the tree to follow the disk. Destroy the tree on the same
    // thread.
    PatternTree();
    ~PatternTree() override;

    // Reads the library folder and watches it. The same path again changes
    // nothing; an empty path leaves the tree without a library.
    void setRoot(const std::string &path);
    // The library folder as given; empty without one.
    std::string getRootPath() const;

    // Watcher side: the folder to watch, and the report of a change, which
    // is posted to the updater window (or, without one, rescanned at once).
    const char *path() override;
    void changed() override;

    // Installs the callback; a callback starts the watch, none stops it.
    void setCallback(ChangeCallback callback);
    // Re-reads the whole library.
    void refresh();

    // The patterns below a folder path relative to the library ("Rock\Fast"
    // or "Rock\Fast\"); the listing covers the deepest folder the path
    // reaches, the whole library when it names none.
    PatternListing findNode(const std::string &relativePath) const;
    // A stream on a pattern's content: folder as for findNode, file relative
    // to that folder (a PatternEntry's relativeFile()). The stream stays
    // readable when the tree changes; null when there is no such pattern.
    RefPtr<DirectoryTrees::InStream> openPattern(const std::string &folder, const std::string &file) const;
    // Reads a pattern as a Standard MIDI File; false (track unchanged) when
    // it is missing or damaged.
    bool readPattern(const std::string &folder, const std::string &file, CMidiTrack &track) const;
    // Whether a folder or file path names something read from a volume
    // file (which cannot be changed on disk one by one); false when the
    // path names nothing.
    bool isInVolume(const std::string &relativePath) const;

    // The folder a stored path names, made depth levels deep: the path's
    // folder (the library itself when the path names none), then the first
    // sub-folder at every level the path does not reach. The path becomes
    // the found folder in the stored form, each name followed by a backslash
    // ("A\B\C\"); true when that is the path as it was given. Without a
    // library the path stays and the answer is false.
    bool resolve(std::string &path, int depth) const;
    // The library's first folder in the stored form ("A\"); empty when
    // there is none.
    std::string firstFolder() const;
    // The names of the sub-folders of a folder path (the library's for an
    // empty path), in order; none when the path names no folder.
    std::vector<std::string> folderNames(const std::string &relativePath) const;

    // Brings a view's folder tree control in line with the library's
    // folders.
    void fillTreeControl(FolderTreeControl &control) const;

    // The hidden updater window; null once it is gone.
    HWND updaterWindow() const { return window_.load(); }

private:
    static LRESULT CALLBACK updaterProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void onUpdaterDestroyed();
    void onChangeReported();
    // With the lock held: re-arm the watch (when there is a window) and
    // re-read the library.
    void rescanLocked();
    void watchLocked();

    // Guards the tree. Lock order: taken after the fill module's engine-list
    // lock and an engine's lock, never before them; the change callback
    // runs outside it.
    mutable CriticalSection lock_;
    std::unique_ptr<DirectoryTrees::FolderNode> tree_;
    std::atomic<HWND> window_{nullptr};
    ChangeCallback callback_;
    bool classAcquired_ = false;
};

} // namespace Quorvane
