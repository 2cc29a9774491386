#pragma once
// HTTPRequestQueue: what a request reports to the queue that runs it (a NetworkQueue): the notices of a
// delegate and the byte counts of a progress delegate, each only when the queue implements it. A queue
// answers the redirect question only when someone will confirm the redirect, so a request waits for a
// confirmation only then.

#include "librarys/http/HTTPProgressDelegate.h"
#include "librarys/http/HTTPRequestDelegate.h"

struct HTTPRequestQueue : public HTTPRequestDelegate, public HTTPProgressDelegate {};
