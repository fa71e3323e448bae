Pelorin version 1.0.1alpha --- 06/25/05

parsed net demo

2 places, 2 transitions

T-SEMI-FLOWS GENERATING SET --------------------------------

consistent

1 semiflow(s)

TIME

ANALYSIS COMPLETED -----------------------------------------
