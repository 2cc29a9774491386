#include "ui/gtk/WebKitEngine.h"

#include <webkit/webkit.h>

#include <algorithm>
#include <cstdio>
#include <utility>
#include <vector>

#include "platform/runloop/DispatchQueue.h"
#include "platform/runloop/TaskAndReply.h"
#include "ui/PageResources.h"

namespace ui::gtk {

namespace {

WebViewNavigationType typeOf(WebKitNavigationType t) {
  switch (t) {
    case WEBKIT_NAVIGATION_TYPE_LINK_CLICKED:
      return WebViewNavigationType::LinkClicked;
    case WEBKIT_NAVIGATION_TYPE_FORM_SUBMITTED:
      return WebViewNavigationType::FormSubmitted;
    case WEBKIT_NAVIGATION_TYPE_BACK_FORWARD:
      return WebViewNavigationType::BackForward;
    case WEBKIT_NAVIGATION_TYPE_RELOAD:
      return WebViewNavigationType::Reload;
    case WEBKIT_NAVIGATION_TYPE_FORM_RESUBMITTED:
      return WebViewNavigationType::FormResubmitted;
    default:
      return WebViewNavigationType::Other;
  }
}

gboolean onDecidePolicy(WebKitWebView*, WebKitPolicyDecision* decision, WebKitPolicyDecisionType type,
                        gpointer self) {
  if (type != WEBKIT_POLICY_DECISION_TYPE_NAVIGATION_ACTION &&
      type != WEBKIT_POLICY_DECISION_TYPE_NEW_WINDOW_ACTION)
    return FALSE;  // responses: WebKit's own handling
  WebKitNavigationAction* action =
      webkit_navigation_policy_decision_get_navigation_action(WEBKIT_NAVIGATION_POLICY_DECISION(decision));
  WebKitURIRequest* request = webkit_navigation_action_get_request(action);
  const char* uri = webkit_uri_request_get_uri(request);
  const WebKitNavigationType navType = webkit_navigation_action_get_navigation_type(action);
  const bool mainFrameOther = type == WEBKIT_POLICY_DECISION_TYPE_NAVIGATION_ACTION &&
                              navType == WEBKIT_NAVIGATION_TYPE_OTHER &&
                              !webkit_navigation_action_is_user_gesture(action);
  g_object_ref(decision);
  const bool allow =
      static_cast<WebKitEngine*>(self)->decideNavigation(uri ? uri : "", typeOf(navType), mainFrameOther);
  // A new window has nowhere to go: an allowed one loads here instead.
  if (allow && type == WEBKIT_POLICY_DECISION_TYPE_NEW_WINDOW_ACTION) {
    webkit_policy_decision_ignore(decision);
  } else if (allow) {
    webkit_policy_decision_use(decision);
  } else {
    webkit_policy_decision_ignore(decision);
  }
  g_object_unref(decision);
  return TRUE;
}

void onLoadChanged(WebKitWebView*, WebKitLoadEvent event, gpointer self) {
  static_cast<WebKitEngine*>(self)->loadChanged(static_cast<int>(event));
}

gboolean onLoadFailed(WebKitWebView*, WebKitLoadEvent, char*, GError* error, gpointer self) {
  const bool cancelled =
      error && g_error_matches(error, WEBKIT_NETWORK_ERROR, WEBKIT_NETWORK_ERROR_CANCELLED);
  static_cast<WebKitEngine*>(self)->loadFailed(error ? error->message : "load failed", cancelled);
  return TRUE;  // no error page
}

void onScrollMessage(WebKitUserContentManager*, JSCValue* value, gpointer self) {
  g_autofree char* text = jsc_value_to_string(value);
  if (text) static_cast<WebKitEngine*>(self)->pageScrolled(text);
}

// Reports the page's scroll position and size as "x,y,width,height".
constexpr const char* kScrollScript = R"JS(
(function () {
  function report() {
    var d = document.documentElement, b = document.body;
    var w = Math.max(d ? d.scrollWidth : 0, b ? b.scrollWidth : 0);
    var h = Math.max(d ? d.scrollHeight : 0, b ? b.scrollHeight : 0);
    window.webkit.messageHandlers.vdscroll.postMessage(
        window.scrollX + ',' + window.scrollY + ',' + w + ',' + h);
  }
  window.addEventListener('scroll', report, {passive: true});
  window.addEventListener('load', report);
  report();
})();
)JS";

void onConsoleMessage(WebKitUserContentManager*, JSCValue* value, gpointer) {
  g_autofree char* text = jsc_value_to_string(value);
  if (text) WebKitEngine::consoleMessage(text);
}

// Sends the page's console output and its uncaught errors (also of scripts and style sheets that do not
// load: their error events are caught on the way down), and what the page policy blocked, as
// "level\ntext"; stops the links of the application's pages that lead away. Runs before the page's
// scripts.
constexpr const char* kConsoleScript = R"JS(
(function () {
  function post(level, text) {
    try { window.webkit.messageHandlers.vdconsole.postMessage(level + '\n' + text); } catch (e) {}
  }
  function show(v) {
    if (typeof v === 'string') return v;
    try { return String(v); } catch (e) { return '?'; }
  }
  ['log', 'info', 'warn', 'error'].forEach(function (level) {
    var original = console[level];
    console[level] = function () {
      post(level, Array.prototype.map.call(arguments, show).join(' '));
      if (original) return original.apply(console, arguments);
    };
  });
  window.addEventListener('error', function (e) {
    var t = e.target;
    if (t && t !== window && (t.src || t.href)) {
      post('error', 'cannot load ' + (t.src || t.href));
      return;
    }
    var where = e.filename ? ' (' + e.filename + ':' + e.lineno + ')' : '';
    post('error', (e.message || 'script error') + where);
  }, true);
  window.addEventListener('unhandledrejection', function (e) {
    post('error', 'unhandled rejection: ' + show(e.reason));
  });
  document.addEventListener('securitypolicyviolation', function (e) {
    post('error', 'blocked by the page policy: ' + e.effectiveDirective + ' ' + (e.blockedURI || ''));
  }, true);
  // The application's pages (all of them "vdbundle" pages) follow no link to the network or the disk:
  // stopped here, before WebKit would open a connection for it.
  if (location.protocol === 'vdbundle:') {
    document.addEventListener('click', function (e) {
      var link = e.target && e.target.closest ? e.target.closest('a[href], area[href]') : null;
      if (link && /^(https?|ftp|wss?|file|data|blob):/i.test(link.href)) {
        e.preventDefault();
        post('error', "refused a navigation away from the application's page: " + link.href);
      }
    }, true);
  }
})();
)JS";

WebKitEngine::ConsoleListener& consoleListener() {
  static WebKitEngine::ConsoleListener listener;
  return listener;
}

// The page policy every page of the application gets (a meta element of HTML it loads, a header of what
// the "vdbundle" scheme serves). Pages show text from banks and servers as markup: none of it may run a
// script or reach anything beyond the page's own resources. A policy rather than a cleaned copy of the
// text: WebKit holds it against everything a page is made of (bank text, server articles, the bundle's
// own pages), whichever screen built the page and whatever parser quirk the markup leans on, where a
// cleaner would be needed at every place text enters a page and would have to agree with WebKit's
// parser on every byte. Scripts run from files of the bundle, and inline ones (script elements,
// handlers) only when their text is one the application registered (ui::PageResources), by its hash.
std::string sha256Base64(const std::string& text) {
  GChecksum* checksum = g_checksum_new(G_CHECKSUM_SHA256);
  g_checksum_update(checksum, reinterpret_cast<const guchar*>(text.data()), static_cast<gssize>(text.size()));
  guint8 digest[32];
  gsize length = sizeof digest;
  g_checksum_get_digest(checksum, digest, &length);
  g_checksum_free(checksum);
  g_autofree char* encoded = g_base64_encode(digest, length);
  return encoded;
}

std::string pagePolicy() {
  const std::string scheme = PageResources::kScheme;
  const std::string bundle = scheme + "://" + PageResources::kBundleHost;
  std::string handlers;
  for (const std::string& text : PageResources::trustedInlineHandlers())
    handlers += " 'sha256-" + sha256Base64(text) + "'";
  std::string scripts;
  for (const std::string& text : PageResources::trustedInlineScripts())
    scripts += " 'sha256-" + sha256Base64(text) + "'";
  return "default-src 'none'; script-src " + bundle + "; script-src-elem " + bundle + scripts +
         "; script-src-attr " +
         (handlers.empty() ? std::string("'none'") : "'unsafe-hashes'" + handlers) + "; style-src " + scheme +
         ": 'unsafe-inline'; img-src " + scheme + ":; font-src " + scheme + ":; media-src " + scheme +
         ":; form-action 'none'; base-uri 'none'";
}

// The HTML with the page policy in front of everything but a doctype, which must come first.
std::string withPagePolicy(const std::string& html) {
  std::size_t at = html.starts_with("\xEF\xBB\xBF") ? 3 : 0;
  while (at < html.size() && (html[at] == ' ' || html[at] == '\t' || html[at] == '\r' || html[at] == '\n')) ++at;
  std::size_t insert = 0;
  if (g_ascii_strncasecmp(html.c_str() + at, "<!doctype", 9) == 0) {
    const std::size_t close = html.find('>', at);
    if (close != std::string::npos) insert = close + 1;
  }
  return html.substr(0, insert) + "<meta http-equiv=\"Content-Security-Policy\" content=\"" + pagePolicy() +
         "\">" + html.substr(insert);
}

// A URL of the network or the disk (or one that runs script), where the application's pages never go.
bool reachesOut(const std::string& url) {
  const std::size_t colon = url.find(':');
  if (colon == std::string::npos) return false;
  g_autofree char* scheme = g_ascii_strdown(url.c_str(), static_cast<gssize>(colon));
  static const char* const kSchemes[] = {"http", "https", "ftp", "ws", "wss", "file", "data", "blob", "javascript"};
  for (const char* s : kSchemes)
    if (std::string_view(scheme) == s) return true;
  return false;
}

// What the "vdbundle" scheme serves: the file a URL names (ui::PageResources), read off the main thread,
// with the page policy; anything else is not found.
struct PageResourceReads {};

std::shared_ptr<PageResourceReads>& pageResourceReads() {
  static auto owner = std::make_shared<PageResourceReads>();
  return owner;
}

void finishPageResource(WebKitURISchemeRequest* request, const std::optional<PageResources::Contents>& contents) {
  if (!contents) {
    GError* error = g_error_new_literal(G_IO_ERROR, G_IO_ERROR_NOT_FOUND, "not a page resource");
    webkit_uri_scheme_request_finish_error(request, error);
    g_error_free(error);
    return;
  }
  GBytes* bytes = g_bytes_new(contents->bytes.data(), contents->bytes.size());
  GInputStream* stream = g_memory_input_stream_new_from_bytes(bytes);
  WebKitURISchemeResponse* response =
      webkit_uri_scheme_response_new(stream, static_cast<gint64>(contents->bytes.size()));
  webkit_uri_scheme_response_set_status(response, 200, nullptr);
  webkit_uri_scheme_response_set_content_type(response, contents->mimeType.c_str());
  SoupMessageHeaders* headers = soup_message_headers_new(SOUP_MESSAGE_HEADERS_RESPONSE);
  soup_message_headers_append(headers, "Content-Security-Policy", pagePolicy().c_str());
  soup_message_headers_append(headers, "X-Content-Type-Options", "nosniff");
  // With headers of its own a response takes its type from them.
  soup_message_headers_set_content_type(headers, contents->mimeType.c_str(), nullptr);
  webkit_uri_scheme_response_set_http_headers(response, headers);  // the response takes them
  webkit_uri_scheme_request_finish_with_response(request, response);
  g_object_unref(response);
  g_object_unref(stream);
  g_bytes_unref(bytes);
}

void onPageResource(WebKitURISchemeRequest* request, gpointer) {
  const char* uri = webkit_uri_scheme_request_get_uri(request);
  std::string url = uri ? uri : "";
  g_object_ref(request);
  rl::postTaskAndReply(
      rl::DispatchQueue::global(), std::weak_ptr<PageResourceReads>(pageResourceReads()),
      [url = std::move(url)] { return PageResources::read(url); },
      [request](PageResourceReads&, std::optional<PageResources::Contents> contents) {
        finishPageResource(request, contents);
        g_object_unref(request);
      });
}

// Once per process, before the first web view: the scheme, secure.
void registerPageScheme() {
  static bool registered = false;
  if (registered) return;
  registered = true;
  WebKitWebContext* context = webkit_web_context_get_default();
  // The pages are the application's own, loaded from memory and the bundle, with no history to go back
  // through: no page cache and a small memory cache, as a viewer of documents has.
  webkit_web_context_set_cache_model(context, WEBKIT_CACHE_MODEL_DOCUMENT_VIEWER);
  webkit_web_context_register_uri_scheme(context, PageResources::kScheme, onPageResource, nullptr, nullptr);
  WebKitSecurityManager* security = webkit_web_context_get_security_manager(context);
  webkit_security_manager_register_uri_scheme_as_secure(security, PageResources::kScheme);
}

// The hidden view every page view is related to (and so shares its web process with) while no page
// view shows a page.
WebKitWebView*& sharedProcessView() {
  static WebKitWebView* view = nullptr;
  return view;
}

// False once the window has let the process go (it is closing): no hidden view is made again.
bool& holdsProcess() {
  static bool holds = true;
  return holds;
}

WebKitWebView* processSeed(bool start) {
  registerPageScheme();  // before the process starts, so it knows the scheme
  WebKitWebView*& seed = sharedProcessView();
  if (!seed) {
    seed = WEBKIT_WEB_VIEW(g_object_new(WEBKIT_TYPE_WEB_VIEW, nullptr));
    g_object_ref_sink(seed);
  }
  // A page starts the process (a view alone does not); laying out a line of Latin and Chinese text
  // has it load the fonts the pages will ask for.
  if (start && !webkit_web_view_get_uri(seed))
    webkit_web_view_load_html(seed,
                              "<!DOCTYPE html><meta charset=\"utf-8\"><body>Aa 题目<script>"
                              "document.body.getBoundingClientRect();</script></body>",
                              "about:blank");
  return seed;
}

// The page views alive. Once one of them shows a page it holds the web process, and the hidden view
// lets it go; when the last of them goes, the hidden view takes the process over again, so the next
// page finds it warm.
std::vector<WebKitWebView*>& pageViews() {
  static std::vector<WebKitWebView*> views;
  return views;
}

bool showsPage(WebKitWebView* view) { return webkit_web_view_get_uri(view) != nullptr; }

// The view a new page view shares its web process with: a page view that shows a page, or the hidden one.
WebKitWebView* processHolder() {
  for (WebKitWebView* view : pageViews())
    if (showsPage(view)) return view;
  return processSeed(false);
}

void dropSeed() {
  WebKitWebView*& seed = sharedProcessView();
  if (!seed) return;
  webkit_web_view_stop_loading(seed);
  g_object_unref(seed);
  seed = nullptr;
}

// A page view that goes: the last one that shows a page hands the process to a new hidden view first.
void pageViewGoing(WebKitWebView* view) {
  auto& views = pageViews();
  views.erase(std::remove(views.begin(), views.end(), view), views.end());
  if (!showsPage(view) || sharedProcessView() || !holdsProcess()) return;
  for (WebKitWebView* other : views)
    if (showsPage(other)) return;
  WebKitWebView*& seed = sharedProcessView();
  seed = WEBKIT_WEB_VIEW(g_object_new(WEBKIT_TYPE_WEB_VIEW, "related-view", view, nullptr));
  g_object_ref_sink(seed);
  processSeed(true);
}

struct Pending {
  std::weak_ptr<int> alive;
  std::function<void(const std::string&)> done;
  std::string script;  // its beginning, to name it in a report of its failure
};

}  // namespace

WebKitEngine::WebKitEngine(WebView* view) : model_(view), alive_(std::make_shared<int>(0)) {
  registerPageScheme();
  WebKitUserContentManager* ucm = webkit_user_content_manager_new();
  view_ = WEBKIT_WEB_VIEW(g_object_new(WEBKIT_TYPE_WEB_VIEW, "user-content-manager", ucm, "related-view",
                                       processHolder(), nullptr));
  g_object_ref_sink(view_);
  pageViews().push_back(view_);
  WebKitSettings* settings = webkit_web_view_get_settings(view_);
  // Pages read their files through the "vdbundle" scheme only, and open no windows of their own.
  webkit_settings_set_allow_file_access_from_file_urls(settings, FALSE);
  webkit_settings_set_allow_universal_access_from_file_urls(settings, FALSE);
  webkit_settings_set_javascript_can_open_windows_automatically(settings, FALSE);
  // Markup may ask for connections ahead of use (<link rel=preconnect>, <link rel=dns-prefetch>), which
  // no content policy governs: none are opened.
  WebKitFeatureList* features = webkit_settings_get_all_features();
  for (gsize i = 0; i < webkit_feature_list_get_length(features); ++i) {
    WebKitFeature* feature = webkit_feature_list_get(features, i);
    const std::string_view id = webkit_feature_get_identifier(feature);
    if (id == "LinkPreconnect" || id == "LinkDNSPrefetch" || id == "LinkPreconnectEarlyHints" ||
        id == "LinkPrefetch")
      webkit_settings_set_feature_enabled(settings, feature, FALSE);
  }
  webkit_feature_list_unref(features);
  webkit_settings_set_enable_developer_extras(settings, FALSE);
  webkit_settings_set_default_charset(settings, "UTF-8");
  g_signal_connect(view_, "decide-policy", G_CALLBACK(onDecidePolicy), this);
  g_signal_connect(view_, "load-changed", G_CALLBACK(onLoadChanged), this);
  g_signal_connect(view_, "load-failed", G_CALLBACK(onLoadFailed), this);
  g_signal_connect(ucm, "script-message-received::vdscroll", G_CALLBACK(onScrollMessage), this);
  webkit_user_content_manager_register_script_message_handler(ucm, "vdscroll", nullptr);
  g_signal_connect(ucm, "script-message-received::vdconsole", G_CALLBACK(onConsoleMessage), this);
  webkit_user_content_manager_register_script_message_handler(ucm, "vdconsole", nullptr);
  WebKitUserScript* console =
      webkit_user_script_new(kConsoleScript, WEBKIT_USER_CONTENT_INJECT_TOP_FRAME,
                             WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START, nullptr, nullptr);
  webkit_user_content_manager_add_script(ucm, console);
  webkit_user_script_unref(console);
  WebKitUserScript* script =
      webkit_user_script_new(kScrollScript, WEBKIT_USER_CONTENT_INJECT_TOP_FRAME,
                             WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_END, nullptr, nullptr);
  webkit_user_content_manager_add_script(ucm, script);
  webkit_user_script_unref(script);
  g_object_unref(ucm);  // the web view holds it
}

WebKitEngine::~WebKitEngine() {
  alive_.reset();
  WebKitUserContentManager* ucm = webkit_web_view_get_user_content_manager(view_);
  g_signal_handlers_disconnect_by_data(view_, this);
  if (ucm) g_signal_handlers_disconnect_by_data(ucm, this);
  webkit_web_view_stop_loading(view_);
  pageViewGoing(view_);
  if (GtkWidget* parent = gtk_widget_get_parent(GTK_WIDGET(view_))) {
    (void)parent;
    gtk_widget_unparent(GTK_WIDGET(view_));
  }
  g_object_unref(view_);
}

GtkWidget* WebKitEngine::widget() const { return GTK_WIDGET(view_); }

void WebKitEngine::loadHTML(const std::string& html, const std::optional<std::string>& baseURL) {
  failed_ = false;
  paddedTop_ = 0;  // a new page has no padding yet
  htmlNavigationURL_ = baseURL.value_or("about:blank");
  ++ownLoadsPending_;
  sandboxed_ = true;
  const std::string page = withPagePolicy(html);
  GBytes* bytes = g_bytes_new(page.data(), page.size());
  const std::string base = baseURL && !baseURL->empty() ? *baseURL : PageResources::bundleBaseURL();
  webkit_web_view_load_bytes(view_, bytes, "text/html", "UTF-8", base.c_str());
  g_bytes_unref(bytes);
}

void WebKitEngine::loadURL(const std::string& url) {
  failed_ = false;
  paddedTop_ = 0;
  htmlNavigationURL_.reset();
  ++ownLoadsPending_;
  sandboxed_ = PageResources::isPageURL(url);
  webkit_web_view_load_uri(view_, url.c_str());
}

void WebKitEngine::stopLoading() { webkit_web_view_stop_loading(view_); }

void WebKitEngine::evaluate(const std::string& script, std::function<void(const std::string& result)> done) {
  auto* pending = new Pending{alive_, std::move(done), script.substr(0, 80)};
  webkit_web_view_evaluate_javascript(
      view_, script.c_str(), static_cast<gssize>(script.size()), nullptr, nullptr, nullptr,
      [](GObject* object, GAsyncResult* result, gpointer data) {
        std::unique_ptr<Pending> p(static_cast<Pending*>(data));
        GError* error = nullptr;
        JSCValue* value = webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(object), result, &error);
        std::string text;
        if (value && !jsc_value_is_undefined(value) && !jsc_value_is_null(value)) {
          char* s = jsc_value_to_string(value);
          if (s) text = s;
          g_free(s);
        }
        if (value) g_object_unref(value);
        if (error) {
          // A script the application runs that throws is the page's error as much as its own scripts'.
          if (!p->alive.expired())
            WebKitEngine::consoleMessage(std::string("error\n") + error->message + " (in: " + p->script + ")");
          g_error_free(error);
        }
        if (!p->alive.expired() && p->done) p->done(text);
      },
      pending);
}

void WebKitEngine::setScalesPageToFit(bool scales) {
  scalesPageToFit_ = scales;
  webkit_web_view_set_zoom_level(view_, 1.0);
}

void WebKitEngine::setBackgroundColor(const Color& color) {
  GdkRGBA rgba{static_cast<float>(color.r), static_cast<float>(color.g), static_cast<float>(color.b),
               static_cast<float>(color.pattern ? 1 : color.a)};
  webkit_web_view_set_background_color(view_, &rgba);
}

bool WebKitEngine::decideNavigation(const std::string& url, WebViewNavigationType type, bool mainFrameOther) {
  std::string reported = url;
  // The loads the web view asked for come as navigations nobody began in the page; one may be dropped
  // for a newer one before WebKit asks about it, so a count of them is kept rather than a flag that a
  // newer load's navigation could find already spent.
  const bool own = mainFrameOther && ownLoadsPending_ > 0;
  if (own) --ownLoadsPending_;
  if (htmlNavigationURL_ && mainFrameOther) {
    reported = *htmlNavigationURL_;
  }
  htmlNavigationURL_.reset();
  if (!own && sandboxed_ && mainFrameOther) {
    // Nobody asked for it: the page's markup did (a refresh). Such a page only goes where it is sent.
    consoleMessage("error\nrefused a navigation the page began by itself: " + url);
    return false;
  }
  if (!own && sandboxed_ && reachesOut(url)) {
    // A link of the markup, tapped: the application's pages stay off the network and the disk.
    consoleMessage("error\nrefused a navigation away from the application's page: " + url);
    return false;
  }
  return offerNavigation(reported, type);
}

void WebKitEngine::loadChanged(int event) {
  if (event == WEBKIT_LOAD_STARTED) {
    failed_ = false;
    reportStarted();
  } else if (event == WEBKIT_LOAD_COMMITTED) {
    dropSeed();  // this page holds the web process now
  } else if (event == WEBKIT_LOAD_FINISHED && !failed_) {
    reportFinished();  // WebKit also says FINISHED after a failure: that one is not reported
  }
}

void WebKitEngine::loadFailed(const std::string& message, bool cancelled) {
  failed_ = true;
  reportFailed({kWebViewErrorDomain, cancelled ? kWebViewErrorCancelled : kWebViewErrorLoadFailed, message});
}

void WebKitEngine::prewarm() {
  holdsProcess() = true;
  for (WebKitWebView* view : pageViews())
    if (showsPage(view)) return;  // a page holds the process already
  processSeed(true);
}

void WebKitEngine::releaseSharedProcess() {
  holdsProcess() = false;
  dropSeed();
}

void WebKitEngine::setConsoleListener(ConsoleListener listener) { consoleListener() = std::move(listener); }

void WebKitEngine::consoleMessage(const std::string& report) {
  const std::size_t newline = report.find('\n');
  ConsoleMessage message{report.substr(0, newline), newline == std::string::npos ? "" : report.substr(newline + 1)};
  if (const ConsoleListener& listener = consoleListener()) {
    listener(message);
  } else if (message.level == "error") {
    std::fprintf(stderr, "web page: %s\n", message.text.c_str());
  }
}

void WebKitEngine::pageScrolled(const std::string& report) {
  double x = 0, y = 0, w = 0, h = 0;
  if (std::sscanf(report.c_str(), "%lf,%lf,%lf,%lf", &x, &y, &w, &h) != 4) return;
  const double top = model_ ? model_->scrollView().contentInset().top : 0;
  if (top != paddedTop_) {
    // Room above the page for the inset; the page reports again once it is laid out anew.
    paddedTop_ = top;
    evaluate("document.documentElement.style.paddingTop = '" + std::to_string(static_cast<int>(top)) + "px';"
             "window.scrollTo(0, 0);",
             nullptr);
    return;
  }
  reportScrolled({x, y - top}, {w, std::max(0.0, h - top)});
}

}  // namespace ui::gtk
