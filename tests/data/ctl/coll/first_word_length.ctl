history;
