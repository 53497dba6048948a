#include "bench/FbClient.h"

#include <stdexcept>

namespace bench::fb {

Firebird::IMaster* master() {
    static Firebird::IMaster* const m = Firebird::fb_get_master_interface();
    return m;
}

void guarded(const char* context, const std::function<void(Firebird::ThrowStatusWrapper*)>& call) {
    Firebird::ThrowStatusWrapper status(master()->getStatus());
    try {
        call(&status);
    } catch (const Firebird::FbException& e) {
        char text[1024];
        master()->getUtilInterface()->formatStatus(text, sizeof text, e.getStatus());
        status.dispose();
        throw std::runtime_error(std::string(context) + ": " + text);
    }
    status.dispose();
}

Ref<Firebird::IAttachment> attach(const std::string& path, bool forceWrites) {
    Ref<Firebird::IAttachment> attachment;
    guarded("attach", [&](Firebird::ThrowStatusWrapper* st) {
        Firebird::IXpbBuilder* dpb =
            master()->getUtilInterface()->getXpbBuilder(st, Firebird::IXpbBuilder::DPB, nullptr, 0);
        try {
            dpb->insertString(st, isc_dpb_user_name, "OLVTEST");
            dpb->insertString(st, isc_dpb_lc_ctype, "UTF8");
            dpb->insertInt(st, isc_dpb_sql_dialect, 3);
            if (forceWrites) dpb->insertInt(st, isc_dpb_force_write, 1);
            Ref<Firebird::IProvider> provider(master()->getDispatcher());
            attachment = Ref<Firebird::IAttachment>(provider->attachDatabase(
                st, path.c_str(), dpb->getBufferLength(st), dpb->getBuffer(st)));
        } catch (...) {
            dpb->dispose();
            throw;
        }
        dpb->dispose();
    });
    return attachment;
}

void detach(Ref<Firebird::IAttachment>& attachment) {
    guarded("detach", [&](Firebird::ThrowStatusWrapper* st) {
        attachment.finish([&](Firebird::IAttachment* a) { a->detach(st); });
    });
}

bool forcedWritesOn(Firebird::IAttachment* attachment) {
    const unsigned char items[] = {isc_info_forced_writes, isc_info_end};
    unsigned char answer[32] = {};
    guarded("database info", [&](Firebird::ThrowStatusWrapper* st) {
        attachment->getInfo(st, sizeof items, items, sizeof answer, answer);
    });
    if (answer[0] != isc_info_forced_writes) return false;
    const int length = answer[1] | (answer[2] << 8);
    int value = 0;
    for (int i = 0; i < length && i < 4; ++i) value |= answer[3 + i] << (8 * i);
    return value != 0;
}

}  // namespace bench::fb
