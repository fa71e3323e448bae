Pelorin version 1.0.1alpha --- 06/25/05

parsed net mutex

5 places, 4 transitions

T-SEMI-FLOWS GENERATING SET --------------------------------

consistent

2 semiflow(s)

TIME

ANALYSIS COMPLETED -----------------------------------------
