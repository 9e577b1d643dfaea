// Drops one or more files on an X window the way a file manager does
// (XDND version 5), so a real program can be driven end to end under Xvfb.
//   xdnd_drop WINDOW X Y FILE...
// X and Y are relative to WINDOW. Exits 0 when the target accepted and
// finished the drop, 1 when it refused it (the drag is then cancelled),
// 2 on errors or when the target does not answer within five seconds.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <poll.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

static Display* display;
static Window source;
static Window target;
static Atom a_enter, a_position, a_status, a_drop, a_leave, a_finished,
    a_selection, a_copy, a_uri_list, a_aware;
static char* uri_list;

static long long now_ms(void) {
  struct timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return (long long)t.tv_sec * 1000 + t.tv_nsec / 1000000;
}

static void send_to_target(Atom type, long l1, long l2, long l3, long l4) {
  XEvent e;
  memset(&e, 0, sizeof e);
  e.xclient.type = ClientMessage;
  e.xclient.display = display;
  e.xclient.window = target;
  e.xclient.message_type = type;
  e.xclient.format = 32;
  e.xclient.data.l[0] = (long)source;
  e.xclient.data.l[1] = l1;
  e.xclient.data.l[2] = l2;
  e.xclient.data.l[3] = l3;
  e.xclient.data.l[4] = l4;
  XSendEvent(display, target, False, NoEventMask, &e);
  XFlush(display);
}

static void answer_selection_request(const XSelectionRequestEvent* request) {
  XEvent reply;
  memset(&reply, 0, sizeof reply);
  reply.xselection.type = SelectionNotify;
  reply.xselection.display = request->display;
  reply.xselection.requestor = request->requestor;
  reply.xselection.selection = request->selection;
  reply.xselection.target = request->target;
  reply.xselection.time = request->time;
  reply.xselection.property = None;
  if (request->target == a_uri_list && request->property != None) {
    XChangeProperty(display, request->requestor, request->property, a_uri_list,
                    8, PropModeReplace, (const unsigned char*)uri_list,
                    (int)strlen(uri_list));
    reply.xselection.property = request->property;
  }
  XSendEvent(display, request->requestor, False, NoEventMask, &reply);
  XFlush(display);
}

// Waits for a client message of `type`, answering selection requests
// meanwhile. Returns 0 on timeout.
static int wait_for(Atom type, XClientMessageEvent* out) {
  const long long deadline = now_ms() + 5000;
  for (;;) {
    while (XPending(display) > 0) {
      XEvent e;
      XNextEvent(display, &e);
      if (e.type == SelectionRequest) {
        answer_selection_request(&e.xselectionrequest);
      } else if (e.type == ClientMessage && e.xclient.message_type == type) {
        *out = e.xclient;
        return 1;
      }
    }
    const long long left = deadline - now_ms();
    if (left <= 0) {
      return 0;
    }
    struct pollfd p = {ConnectionNumber(display), POLLIN, 0};
    poll(&p, 1, (int)left);
  }
}

// file:// URI of an absolute path, every byte but the unreserved ones
// percent-encoded.
static void append_uri(char** list, size_t* length, const char* path) {
  static const char hex[] = "0123456789ABCDEF";
  size_t need = *length + strlen("file://") + strlen(path) * 3 + 3;
  *list = realloc(*list, need);
  char* out = *list + *length;
  out += sprintf(out, "file://");
  for (const unsigned char* p = (const unsigned char*)path; *p; ++p) {
    if ((*p >= 'a' && *p <= 'z') || (*p >= 'A' && *p <= 'Z') ||
        (*p >= '0' && *p <= '9') || strchr("-._~/", *p) != NULL) {
      *out++ = (char)*p;
    } else {
      *out++ = '%';
      *out++ = hex[*p >> 4];
      *out++ = hex[*p & 15];
    }
  }
  *out++ = '\r';
  *out++ = '\n';
  *out = '\0';
  *length = (size_t)(out - *list);
}

int main(int argc, char** argv) {
  if (argc < 5) {
    fprintf(stderr, "usage: xdnd_drop WINDOW X Y FILE...\n");
    return 2;
  }
  display = XOpenDisplay(NULL);
  if (display == NULL) {
    fprintf(stderr, "xdnd_drop: no display\n");
    return 2;
  }
  target = (Window)strtoul(argv[1], NULL, 0);
  size_t length = 0;
  for (int i = 4; i < argc; ++i) {
    append_uri(&uri_list, &length, argv[i]);
  }
  a_enter = XInternAtom(display, "XdndEnter", False);
  a_position = XInternAtom(display, "XdndPosition", False);
  a_status = XInternAtom(display, "XdndStatus", False);
  a_drop = XInternAtom(display, "XdndDrop", False);
  a_leave = XInternAtom(display, "XdndLeave", False);
  a_finished = XInternAtom(display, "XdndFinished", False);
  a_selection = XInternAtom(display, "XdndSelection", False);
  a_copy = XInternAtom(display, "XdndActionCopy", False);
  a_uri_list = XInternAtom(display, "text/uri-list", False);
  a_aware = XInternAtom(display, "XdndAware", False);

  source = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1, 1,
                               0, 0, 0);
  XSetSelectionOwner(display, a_selection, source, CurrentTime);

  int root_x = 0;
  int root_y = 0;
  Window child;
  XTranslateCoordinates(display, target, DefaultRootWindow(display),
                        atoi(argv[2]), atoi(argv[3]), &root_x, &root_y, &child);

  send_to_target(a_enter, 5L << 24, (long)a_uri_list, None, None);
  send_to_target(a_position, 0, ((long)root_x << 16) | (root_y & 0xFFFF),
                 CurrentTime, (long)a_copy);
  XClientMessageEvent status;
  if (!wait_for(a_status, &status)) {
    fprintf(stderr, "xdnd_drop: no XdndStatus\n");
    return 2;
  }
  if ((status.data.l[1] & 1) == 0) {
    send_to_target(a_leave, 0, 0, 0, 0);
    puts("refused");
    return 1;
  }
  send_to_target(a_drop, 0, CurrentTime, 0, 0);
  XClientMessageEvent finished;
  if (!wait_for(a_finished, &finished)) {
    fprintf(stderr, "xdnd_drop: no XdndFinished\n");
    return 2;
  }
  puts("accepted");
  XCloseDisplay(display);
  free(uri_list);
  return 0;
}
