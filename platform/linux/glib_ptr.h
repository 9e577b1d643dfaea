// Owning pointers for GLib and GObject values kept beyond one scope
// (locals use g_autoptr / g_autofree).
#pragma once

#include <glib-object.h>

#include <memory>

namespace vorundel::linux_desktop {

struct GObjectUnref {
  void operator()(gpointer object) const { g_object_unref(object); }
};

template <typename T>
using GObjectPtr = std::unique_ptr<T, GObjectUnref>;

}  // namespace vorundel::linux_desktop
