#pragma once

#include <QtGlobal>

// Which request is in flight; decides how its response is handled (a list is scanned into the
// job table). Set just before a transfer starts and never reset.
enum class RequestKind : qint16 {
    None = 0,
    Create = 1,
    List = 2,
    GetJob = 3,
    DeleteJob = 4,
    StopJob = 5,
};
