#pragma once
// BTestHtmlViewController: the page of a sub-question of a shared option list (BTEST). It behaves as a
// single-answer page (ATestHtmlViewController).

#include "exam/ATestHtmlViewController.h"

class BTestHtmlViewController : public ATestHtmlViewController {};
