// Tells code that waits in a modal loop (a message box, a dialog, a menu)
// whether the object it runs in was destroyed meanwhile, as when the host
// removes the plug-in under an open question: then it touches nothing of
// the object any more. The object holds a GoneNotice; each wait puts a
// Watch on the stack around it. Watches nest.
#pragma once

namespace Quorvane {

class GoneNotice {
public:
    class Watch {
    public:
        explicit Watch(GoneNotice &notice) : notice_(notice), outer_(notice.watches_)
        {
            notice.watches_ = this;
        }
        ~Watch()
        {
            if (!gone_)
                notice_.watches_ = outer_;
        }
        Watch(const Watch &) = delete;
        Watch &operator=(const Watch &) = delete;
        bool gone() const { return gone_; }

    private:
        friend class GoneNotice;
        GoneNotice &notice_;
        Watch *outer_;
        bool gone_ = false;
    };

    GoneNotice() = default;
    GoneNotice(const GoneNotice &) = delete;
    GoneNotice &operator=(const GoneNotice &) = delete;
    ~GoneNotice()
    {
        for (Watch *watch = watches_; watch; watch = watch->outer_)
            watch->gone_ = true;
    }
    // Some wait is going on.
    bool watched() const { return watches_ != nullptr; }

private:
    Watch *watches_ = nullptr;
};

} // namespace Quorvane
