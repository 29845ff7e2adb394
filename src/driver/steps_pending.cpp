// Stand-ins for steps whose subsystems are not built yet: each reports that it
// is missing and fails, so start-up stops instead of pretending to work. None
// is pending now.
