// The module-wide chain of plug-in objects that a requester (the stand-alone
// program) has attached a change sink to. Each object is in the chain at
// most once: attaching it again only replaces its sink and cookie.
//
// Owner derives from RequesterLink<Owner, Sink>. Not locked: attach, detach
// and the walks run on the user-interface thread.
#pragma once

#include <cstdint>

namespace Quorvane {

template <typename Owner, typename Sink> class RequesterChain;

template <typename Owner, typename Sink> class RequesterLink {
public:
    Sink *requesterSink() const { return sink_; }
    uint32_t requesterCookie() const { return cookie_; }

private:
    friend class RequesterChain<Owner, Sink>;
    Sink *sink_ = nullptr; // not reference-counted
    uint32_t cookie_ = 0;
    Owner *next_ = nullptr;
};

template <typename Owner, typename Sink> class RequesterChain {
    using Link = RequesterLink<Owner, Sink>;

public:
    Owner *head() const { return head_; }
    static Owner *next(const Owner *owner) { return link(owner).next_; }

    bool contains(const Owner *owner) const
    {
        for (const Owner *o = head_; o; o = next(o))
            if (o == owner)
                return true;
        return false;
    }

    // Keeps the sink and cookie; a new member goes to the head.
    void attach(Owner *owner, Sink *sink, uint32_t cookie)
    {
        Link &l = link(owner);
        l.sink_ = sink;
        l.cookie_ = cookie;
        if (contains(owner))
            return;
        l.next_ = head_;
        head_ = owner;
    }

    // Unlinks the owner and forgets its sink; returns the sink it had (null
    // when none) so that the caller can tell the requester.
    Sink *detach(Owner *owner)
    {
        Link &l = link(owner);
        for (Owner **at = &head_; *at; at = &link(*at).next_) {
            if (*at == owner) {
                *at = l.next_;
                break;
            }
        }
        l.next_ = nullptr;
        Sink *sink = l.sink_;
        l.sink_ = nullptr;
        return sink;
    }

    template <typename Visit> void forEach(Visit visit) const
    {
        for (Owner *o = head_; o;) {
            Owner *following = next(o);
            visit(o);
            o = following;
        }
    }

    // What acts on every drummer the requester drives acts on self too:
    // visits every member, and then self when it is not one of them.
    template <typename Visit> void forEachWith(Owner *self, Visit visit) const
    {
        bool visited = false;
        forEach([&](Owner *o) {
            visited = visited || o == self;
            visit(o);
        });
        if (!visited)
            visit(self);
    }

private:
    static Link &link(Owner *owner) { return *static_cast<Link *>(owner); }
    static const Link &link(const Owner *owner) { return *static_cast<const Link *>(owner); }

    Owner *head_ = nullptr;
};

} // namespace Quorvane
