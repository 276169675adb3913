#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "programs/ProcessWatcher.h"

// Drives a watcher with the 800 ms timer of the calling thread's message loop.
// The timer has no window, so the callback finds the watcher here.
void StartWatcherTimer(ProcessWatcher& watcher, std::vector<std::string> blockedPrograms);
void StopWatcherTimer();

// The id the platform gave the running timer; 0 when none runs.
UINT_PTR WatcherTimerId();

void CALLBACK OnWatcherTimer(HWND hwnd, UINT msg, UINT_PTR id, DWORD time);

constexpr UINT kWatcherPeriodMs = 800;
