#include "ui/gtk/GLibRunLoopSource.h"

#include <glib-unix.h>
#include <glib.h>
#include <poll.h>

#include <cmath>
#include <utility>
#include <vector>

#include "platform/runloop/RunLoop.h"

namespace ui::gtk {

namespace {

struct RunLoopGSource {
  GSource base;
  rl::RunLoop* loop;
  gpointer wakeTag;
  std::vector<std::pair<int, short>>* watched;  // what the tags below stand for
  std::vector<gpointer>* tags;
};

GIOCondition conditionOf(short events) {
  int c = G_IO_ERR | G_IO_HUP;
  if (events & POLLIN) c |= G_IO_IN;
  if (events & POLLOUT) c |= G_IO_OUT;
  if (events & POLLPRI) c |= G_IO_PRI;
  return static_cast<GIOCondition>(c);
}

void syncWatches(RunLoopGSource* s) {
  auto now = s->loop->watchedFds(rl::kDefaultMode);
  if (now == *s->watched) return;
  for (gpointer tag : *s->tags) g_source_remove_unix_fd(&s->base, tag);
  s->tags->clear();
  for (auto& [fd, events] : now) s->tags->push_back(g_source_add_unix_fd(&s->base, fd, conditionOf(events)));
  *s->watched = std::move(now);
}

gboolean prepare(GSource* source, gint* timeout) {
  auto* s = reinterpret_cast<RunLoopGSource*>(source);
  syncWatches(s);
  *timeout = -1;
  if (s->loop->hasPendingWork(rl::kDefaultMode)) {
    *timeout = 0;
    return TRUE;
  }
  if (auto next = s->loop->nextTimerFireTime(rl::kDefaultMode)) {
    const double ms = std::ceil((*next - s->loop->now()) * 1000);
    if (ms <= 0) {
      *timeout = 0;
      return TRUE;
    }
    *timeout = ms > 1e6 ? 1000000 : static_cast<gint>(ms);
  }
  return FALSE;
}

gboolean check(GSource* source) {
  auto* s = reinterpret_cast<RunLoopGSource*>(source);
  if (g_source_query_unix_fd(source, s->wakeTag)) return TRUE;
  for (gpointer tag : *s->tags) {
    if (g_source_query_unix_fd(source, tag)) return TRUE;
  }
  return s->loop->hasPendingWork(rl::kDefaultMode);
}

gboolean dispatch(GSource* source, GSourceFunc, gpointer) {
  auto* s = reinterpret_cast<RunLoopGSource*>(source);
  s->loop->runOnce(rl::kDefaultMode, 0);
  return G_SOURCE_CONTINUE;
}

void finalize(GSource* source) {
  auto* s = reinterpret_cast<RunLoopGSource*>(source);
  delete s->watched;
  delete s->tags;
}

GSourceFuncs kFuncs = {prepare, check, dispatch, finalize, nullptr, nullptr};

}  // namespace

GLibRunLoopSource::GLibRunLoopSource(rl::RunLoop& loop) {
  source_ = g_source_new(&kFuncs, sizeof(RunLoopGSource));
  auto* s = reinterpret_cast<RunLoopGSource*>(source_);
  s->loop = &loop;
  s->watched = new std::vector<std::pair<int, short>>();
  s->tags = new std::vector<gpointer>();
  s->wakeTag = g_source_add_unix_fd(source_, loop.wakeupFd(), G_IO_IN);
  g_source_set_name(source_, "vardo run loop");
  g_source_attach(source_, nullptr);
}

GLibRunLoopSource::~GLibRunLoopSource() {
  g_source_destroy(source_);
  g_source_unref(source_);
}

}  // namespace ui::gtk
