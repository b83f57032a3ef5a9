#pragma once

// The operation that cut or copy armed for the next paste. The selection holds it, since a
// paste acts on the selection and an emptied selection disarms it.
enum class PendingOp { None, Copy, Cut };
