traceall;
